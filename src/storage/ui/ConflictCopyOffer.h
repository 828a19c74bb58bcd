#pragma once

#include <QStringList>
#include <functional>

class Workspace;

// After the key at start-up and after Open: the sync tools' conflict copies beside the data file
// (FindConflictCopies) that open under the held verifier are offered one by one, by the question
// "%sの競合コピー%sがあります。結合しますか？". Yes merges the copy in two-way (nothing is
// deleted), saves the data file through save (the Save command: true when saved) and reports the
// conflicts, then asks, default No, whether to delete the copy; only Yes deletes it. A copy is not
// offered again when it was merged or declined in this run (by its SHA-256), nor when merging it
// would change nothing (a copy merged earlier and kept: its conflicts are not added again). A
// declined or failed save ends the offer; the merged document stays, unsaved. Copies that do not
// open under the held verifier are named on the status line when the offer is over:
// "競合コピー%sは今のキーで開けないため、結合できません".
void OfferConflictCopies(Workspace& ws, const std::function<bool()>& save);

// While the program runs: when the data file's folder holds a conflict copy that known does not
// name (one a sync tool has just made, holding the change that lost), the copies are offered as
// OfferConflictCopies offers them, at once instead of at the next start. known is then set to
// the copies there now; the caller fills it when the data file is opened.
void OfferNewConflictCopies(Workspace& ws, const std::function<bool()>& save, QStringList& known);

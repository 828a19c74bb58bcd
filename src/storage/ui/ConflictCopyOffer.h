#pragma once

#include <functional>

class Workspace;

// After the key at start-up and after Open: the sync tools' conflict copies beside the data file
// (FindConflictCopies) that open under the held verifier are offered one by one, by the question
// "%sの競合コピー%sがあります。結合しますか？". Yes merges the copy in two-way (nothing is
// deleted), saves the data file through save (the Save command: true when saved) and reports the
// conflicts, then asks, default No, whether to delete the copy; only Yes deletes it. A copy is not
// offered again when it was merged or declined in this run (by its SHA-256), nor when the document
// already holds everything it holds (a copy merged earlier and kept). A declined or failed save
// ends the offer; the merged document stays, unsaved.
void OfferConflictCopies(Workspace& ws, const std::function<bool()>& save);

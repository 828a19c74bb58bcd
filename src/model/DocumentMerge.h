#pragma once

#include <QList>
#include <QString>

#include "XmlDocument.h"

// Merging two versions of one document that were changed apart (two machines sharing a data file
// through a synchronised folder): a three-way merge against the version both started from, or a
// two-way merge when that is unknown. No widgets; the desktop program and zetrova-cli share it.

// One place where both sides changed the same thing differently. Theirs was kept beside ours,
// named by the format "%s（競合）" for items and groups.
struct MergeConflict {
    // The group holding the conflict, as the item list shows it: the names from the root group
    // down, joined by '/' (the root group itself: "/").
    QString groupPath;
    // The name of the item or group both sides changed; for another kind of node (a comment, a
    // processing instruction, an attribute, another element) its own name or kind.
    QString name;
};

struct MergeResult {
    // A new document; none of the three inputs is changed.
    XmlDocument document;
    QList<MergeConflict> conflicts;
};

// Merges `ours` and `theirs`. With a null `base` the merge is two-way: nothing is deleted, what
// only one side holds is kept, and values that differ are conflicts.
MergeResult MergeDocuments(const XmlDocument& base, const XmlDocument& ours,
                           const XmlDocument& theirs);

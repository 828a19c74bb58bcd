#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "model/XmlDocument.h"

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
    // The same group as the names of the groups from below the root group down (empty for the
    // root group itself), for callers that must tell a '/' inside a name from a separator.
    QStringList groupNames;
};

struct MergeResult {
    // A new document; none of the three inputs is changed.
    XmlDocument document;
    QList<MergeConflict> conflicts;
};

// Merges `ours` and `theirs`. With a null `base` the merge is two-way: nothing is deleted, what
// only one side holds is kept, and values that differ are conflicts.
//
// Children of a group are matched by kind and name: the k-th group (item or secret, other element
// of a name) of a name in one version with the k-th of that name in another; comments, processing
// instructions and text by their content. Changed on one side only: that side's version. Deleted
// on one side: gone when the other side left it as it was, else the other side's changed version
// stays. Changed differently on both sides: a group is merged child by child; an item keeps ours
// and gets theirs right after it, renamed by "%s（競合）" (again until the name is free among its
// siblings); another node keeps ours with theirs right after it (the document element only ours).
// An item secret on either side stays secret, unless one side only made it plain and the other
// left it untouched. Order: ours' order, with what only theirs holds right after the match of its
// preceding sibling in theirs; when ours kept the base's order and theirs reordered, the roles are
// swapped. Works without recursion, for documents of any depth. Raises XmlError(kPointer) when
// `ours` or `theirs` is null, XmlError(kOutOfMemory) when memory runs out.
MergeResult MergeDocuments(const XmlDocument& base, const XmlDocument& ours,
                           const XmlDocument& theirs);

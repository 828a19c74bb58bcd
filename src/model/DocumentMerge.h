#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "model/XmlDocument.h"

// Merging two versions of one document that were changed apart (two machines sharing a data file
// through a synchronised folder): a three-way merge against the version both started from, or a
// two-way merge when that is unknown. No widgets; the desktop program and zetrova-cli share it.

// The groups below the root group that hold a merge's conflicts, shared by its conflicts: each
// group as the index of the group holding it (-1: the root group) and its name. A chain of deep
// groups is held once, not once per conflict in it.
struct MergeGroups {
    struct Group {
        int parent = -1;
        QString name;
    };
    std::vector<Group> groups;
};

// One place where both sides changed the same thing differently. Theirs was kept beside ours,
// named by the format "%s（競合）" for items (see MergeDocuments).
struct MergeConflict {
    // The name of the item or group both sides changed; for another kind of node (a comment, a
    // processing instruction, an attribute, another element) its own name or kind.
    QString name;
    // The group holding the conflict: an index into groups, -1 for the root group.
    std::shared_ptr<const MergeGroups> groups;
    int group = -1;

    // The group holding the conflict as the names of the groups from below the root group down
    // (empty for the root group itself), for callers that must tell a '/' inside a name from a
    // separator.
    QStringList groupNames() const;
    // The same group as the item list shows it: the names from the root group down, joined by '/'
    // (the root group itself: "/").
    QString groupPath() const;
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
// and gets theirs right after it, named "%s（競合）" after its name without conflict suffixes, or
// "%s（競合%s）" with 2, 3, ... when that is taken among its siblings; another node keeps ours with
// theirs right after it (the document element only ours). Theirs is not added when its group
// already holds an item of that name up to the conflict suffixes (conflict_names::Stripped) with
// the same value and other attributes, or another node equal to it: the conflict was merged
// before, and is not reported again.
// An item secret on either side stays secret, unless one side only made it plain and the other
// left it untouched. Order: ours' order, with what only theirs holds right after the match of its
// preceding sibling in theirs; when ours kept the base's order and theirs reordered, the roles are
// swapped. Works without recursion, for documents of any depth. Raises XmlError(kPointer) when
// `ours` or `theirs` is null, XmlError(kOutOfMemory) when memory runs out.
MergeResult MergeDocuments(const XmlDocument& base, const XmlDocument& ours,
                           const XmlDocument& theirs);

namespace conflict_names {
// The name without the conflict suffixes a merge adds at its end: "（競合）" and "（競合N）",
// however many.
QString Stripped(const QString& name);
}  // namespace conflict_names

// ---- Comparing two versions, and taking parts of one back, by the merge's alignment: children
// matched by kind (group, item or secret alike) and name, the k-th of a name with the k-th, so
// that a comparison and a merge never disagree about what is the same group or item.

// One step down from a group: the k-th (occurrence, from 0) group or item of a name.
struct VersionStep {
    bool group = false;
    QString name;
    int occurrence = 0;
    friend bool operator==(const VersionStep&, const VersionStep&) = default;
};

// One group or item that differs between an earlier version and the document as it is now.
struct DocumentDifference {
    enum class Change {
        Added,    // only now: added since
        Removed,  // only in the version: removed since (a group with everything in it)
        Changed,  // in both, with another value, kind (plain or secret) or other attributes
    };
    Change change = Change::Changed;
    bool group = false;
    bool secret = false;  // a secret item on either side: its values are never to be shown
    int inside = 0;       // a group added or removed: the groups and items in it
    // The steps from the root group down to it, its own last.
    std::vector<VersionStep> steps;

    // The names of the groups holding it, outermost first, and its own name.
    QStringList groupNames() const;
    QString name() const { return steps.empty() ? QString() : steps.back().name; }
};

// What differs between `then` (an earlier version) and `now`, groups and items only, in document
// order: a group only one side holds is one difference, not one per item in it. Raises
// XmlError(kPointer) for a null document.
std::vector<DocumentDifference> CompareDocuments(const XmlDocument& then, const XmlDocument& now);

// How many groups and items were added, removed and changed, counting those inside a group added
// or removed as a whole.
struct DifferenceCounts {
    int added = 0;
    int removed = 0;
    int changed = 0;
    bool operator==(const DifferenceCounts&) const = default;
};
DifferenceCounts CountDifferences(const std::vector<DocumentDifference>& differences);

// A new document: `now` with each of the chosen groups and items as `then` holds it: one removed
// since comes back where it stood among what is still there (its groups made again when they went
// too), one changed takes then's value (a group: everything in it then comes back, what was added
// to it since stays), and one `then` does not hold goes. Raises XmlError(kPointer) for a null
// document, XmlError(kOutOfMemory) when memory runs out.
XmlDocument RestoreFromVersion(const XmlDocument& now, const XmlDocument& then,
                               const std::vector<std::vector<VersionStep>>& chosen);

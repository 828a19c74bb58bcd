#pragma once

#include <QPersistentModelIndex>
#include <QString>
#include <QStringList>

#include "model/XmlNode.h"

class GroupTreeWidget;
class QTreeWidgetItem;
class QObject;

// What the group tree shows and how its items map back to group elements. The tree items hold
// only their labels; the node behind an item is found again from the chain of labels.

// Inserts the item of `element`, when it is a group, as the last child of `parent` (top level when
// nullptr; top-level items start expanded, deeper ones collapsed) together with the items of all
// its sub-groups. A group without a name attribute fails: the notice "%sを追加できませんでした"
// with the name of its parent, at every level up to the top, and the rest of that branch is left
// out.
bool FillGroupTree(GroupTreeWidget* tree, const XmlNode& element, QTreeWidgetItem* parent,
                   QObject* owner = nullptr);

// Deletes every item and fills the tree again from the root group (nothing when root is null).
void RebuildGroupTree(GroupTreeWidget* tree, const XmlNode& root, QObject* owner = nullptr);

// The labels from the top-level item down to `item`; empty for nullptr.
QStringList LabelChain(const QTreeWidgetItem* item);

// The XPath group path of a tree item ("/group[@name='']" for nullptr, which matches nothing).
QString GroupPathOfItem(const QTreeWidgetItem* item);

// The tree item that shows `group`: the names from the group up to the top (stopping at an empty
// name) followed downwards from the first top-level item, the first matching label at every level.
// nullptr when there is none.
QTreeWidgetItem* TreeItemForGroup(GroupTreeWidget* tree, const XmlNode& group);

// The tree item reached by the labels from the top level down, the first matching label at every
// level (where the group path of those labels leads); nullptr when a label is missing or the list
// is empty.
QTreeWidgetItem* TreeItemForLabels(GroupTreeWidget* tree, const QStringList& labelsTopDown);

// The cut state of a tree item: set on the group marked for a move, drawn dimmed.
void SetTreeItemCut(QTreeWidgetItem* item, bool cut);
bool IsTreeItemCut(const QTreeWidgetItem* item);

// A reference to a tree item that becomes empty when the item is deleted (with its branch or a
// rebuild), so that the current group and the group mark never point at a deleted item.
class TreeItemRef {
public:
    TreeItemRef() = default;
    TreeItemRef(GroupTreeWidget* tree, QTreeWidgetItem* item);
    QTreeWidgetItem* item() const;
    bool isNull() const { return item() == nullptr; }
    bool operator==(const TreeItemRef& other) const { return item() == other.item(); }

private:
    GroupTreeWidget* tree_ = nullptr;
    QPersistentModelIndex index_;
};

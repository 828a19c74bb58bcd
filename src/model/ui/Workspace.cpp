#include "Workspace.h"

#include "GroupTreeWidget.h"
#include "Lookups.h"

void MarkSlot::forget() {
    if (isGroup()) SetTreeItemCut(groupItem.item(), false);
    *this = MarkSlot();
}

Workspace::Workspace(GroupTreeWidget* tree, QWidget* owner) : tree_(tree), owner_(owner) {}

void Workspace::setCurrentGroup(QTreeWidgetItem* item) {
    current_ = TreeItemRef(tree_, item);
    RefillItemList();
}

XmlNode Workspace::FindCurrentGroup(bool report) const {
    return FindGroupByLabels(doc.document, LabelChain(currentGroupItem()), report, owner_);
}

void Workspace::rebuildTree() {
    // The mark's tree item goes with the rebuild; its node stays marked only for an item mark.
    RebuildGroupTree(tree_, doc.root, owner_);
    current_ = TreeItemRef();
    RefillItemList();
}

void Workspace::resetViews() {
    mark.forget();
    rebuildTree();
    doc.modified = false;
}

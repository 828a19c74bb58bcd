#include "model/ui/TreeItemDeletion.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <utility>
#include <vector>

namespace {

// Deletes a branch that hangs in no tree: always the first leaf, which leaves its parent's list
// of children from the front, so every step is constant time.
void DeleteDetachedBranch(QTreeWidgetItem* top) {
    QTreeWidgetItem* item = top;
    while (item) {
        if (item->childCount() > 0) {
            item = item->child(0);
            continue;
        }
        QTreeWidgetItem* parent = item == top ? nullptr : item->parent();
        delete item;
        item = parent;
    }
}

// The view remembers every opened item and checks each of them against a branch that leaves the
// model by climbing its parents. Closing the branch's opened items first keeps that short; the
// top one goes first, so the items below are hidden by then and closing them lays nothing out.
void CloseBranch(QTreeWidgetItem* top) {
    if (top->isExpanded()) top->setExpanded(false);
    // Each entry: an item whose children are being visited and the next child to visit.
    std::vector<std::pair<QTreeWidgetItem*, int>> pending{{top, 0}};
    while (!pending.empty()) {
        QTreeWidgetItem* parent = pending.back().first;
        const int next = pending.back().second++;
        if (next == parent->childCount()) {
            pending.pop_back();
            continue;
        }
        QTreeWidgetItem* child = parent->child(next);
        if (child->isExpanded()) child->setExpanded(false);
        if (child->childCount() > 0) pending.emplace_back(child, 0);
    }
}

}  // namespace

void DeleteTreeItem(QTreeWidgetItem* item) {
    if (!item) return;
    if (QTreeWidget* tree = item->treeWidget()) {
        CloseBranch(item);
        if (QTreeWidgetItem* parent = item->parent())
            parent->takeChild(parent->indexOfChild(item));
        else
            tree->takeTopLevelItem(tree->indexOfTopLevelItem(item));
    }
    DeleteDetachedBranch(item);
}

void DeleteAllTreeItems(QTreeWidget* tree) {
    tree->collapseAll();
    const QList<QTreeWidgetItem*> top = tree->invisibleRootItem()->takeChildren();
    for (QTreeWidgetItem* item : top) DeleteDetachedBranch(item);
}

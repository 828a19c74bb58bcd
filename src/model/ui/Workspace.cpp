#include "model/ui/Workspace.h"

#include <algorithm>
#include <vector>

#include "model/Lookups.h"
#include "model/ui/GroupTreeWidget.h"

void MarkSlot::forget() {
    if (isGroup()) SetTreeItemCut(groupItem.item(), false);
    *this = MarkSlot();
}

Workspace::Workspace(GroupTreeWidget* tree, QWidget* owner) : tree_(tree), owner_(owner) {}

void Workspace::SetCurrentGroup(QTreeWidgetItem* item) {
    current_ = TreeItemRef(tree_, item);
    emit currentGroupChanged(item);
}

XmlNode Workspace::FindCurrentGroup(bool report) const {
    return FindGroupByLabels(doc_.document, LabelChain(currentGroupItem()), report, owner_);
}

void Workspace::ReplaceDocument(const DocumentState& state, CurrentGroup current) {
    const QStringList labels =
        current == CurrentGroup::Kept ? LabelChain(currentGroupItem()) : QStringList();
    mark_.forget();
    doc_ = state;
    RebuildGroupTree(tree_, doc_.root, owner_);
    current_ = TreeItemRef();
    emit documentReplaced();
    emit dataFilePathChanged(doc_.dataFilePath);
    QTreeWidgetItem* kept = TreeItemForLabels(tree_, labels);
    if (kept) {
        // Opened down to the group, as far as the tree opens a branch for the user.
        std::vector<QTreeWidgetItem*> chain;
        for (QTreeWidgetItem* at = kept->parent(); at; at = at->parent()) chain.push_back(at);
        std::reverse(chain.begin(), chain.end());
        const size_t opened = std::min<size_t>(chain.size(), kTreeOpenDepthLimit);
        for (size_t level = 0; level < opened; ++level) chain[level]->setExpanded(true);
        tree_->setCurrentItem(kept);
    }
    SetCurrentGroup(kept);
}

void Workspace::RebuildTree() {
    // The mark's tree item goes with the rebuild; its node stays marked only for an item mark.
    RebuildGroupTree(tree_, doc_.root, owner_);
    SetCurrentGroup(nullptr);
}

void Workspace::ResetViews() {
    DocumentState state = doc_;
    state.modified = false;
    ReplaceDocument(state);
}

void Workspace::SetDataFilePath(const QString& path) {
    doc_.dataFilePath = path;
    emit dataFilePathChanged(path);
}

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

void Workspace::setCurrentGroup(QTreeWidgetItem* item) {
    current_ = TreeItemRef(tree_, item);
    emit currentGroupChanged(item);
}

XmlNode Workspace::FindCurrentGroup(bool report) const {
    return FindGroupByLabels(doc.document, LabelChain(currentGroupItem()), report, owner_);
}

void Workspace::replaceDocument(const DocumentState& state, CurrentGroup current) {
    const QStringList labels =
        current == CurrentGroup::Kept ? LabelChain(currentGroupItem()) : QStringList();
    mark.forget();
    doc = state;
    RebuildGroupTree(tree_, doc.root, owner_);
    current_ = TreeItemRef();
    emit documentReplaced();
    emit dataFilePathChanged(doc.dataFilePath);
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
    setCurrentGroup(kept);
}

void Workspace::rebuildTree() {
    // The mark's tree item goes with the rebuild; its node stays marked only for an item mark.
    RebuildGroupTree(tree_, doc.root, owner_);
    setCurrentGroup(nullptr);
}

void Workspace::resetViews() {
    DocumentState state = doc;
    state.modified = false;
    replaceDocument(state);
}

void Workspace::setDataFilePath(const QString& path) {
    doc.dataFilePath = path;
    emit dataFilePathChanged(path);
}

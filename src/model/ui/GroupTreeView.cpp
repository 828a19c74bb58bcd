#include "model/ui/GroupTreeView.h"

#include <QBrush>
#include <QPalette>
#include <vector>

#include "diag/FormatText.h"
#include "diag/MessageBoxes.h"
#include "model/Schema.h"
#include "model/XPathForms.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/TreeItemDeletion.h"

namespace {

constexpr int kCutRole = Qt::UserRole + 1;

// What assistive technology hears besides the label: the level, the parent group, whether the
// item is the current group (the arrow keys move only the highlight) and whether it is marked for
// a move (drawn dimmed). Worked out when asked, so renames and moves never leave it stale.
QString GroupItemDescription(const QTreeWidgetItem* item) {
    int level = 1;
    for (const QTreeWidgetItem* up = item->parent(); up; up = up->parent()) ++level;
    QStringList parts{FormatText(u"第%d階層", {level})};
    if (const QTreeWidgetItem* parent = item->parent())
        parts << FormatText(u"%sの下", {parent->text(0)});
    const auto* tree = qobject_cast<const GroupTreeWidget*>(item->treeWidget());
    if (tree && tree->currentGroupShown() == item) parts << QStringLiteral("現在のグループ");
    if (IsTreeItemCut(item)) parts << QStringLiteral("移動待ち");
    return parts.join(u'、');
}

class GroupTreeItem final : public QTreeWidgetItem {
public:
    explicit GroupTreeItem(const QString& label) : QTreeWidgetItem(QStringList{label}) {}

    QVariant data(int column, int role) const override {
        if (role == Qt::AccessibleDescriptionRole && column == 0) return GroupItemDescription(this);
        return QTreeWidgetItem::data(column, role);
    }
};

bool HasGroupChild(const XmlNode& element) {
    for (XmlNode c = element.firstChild(); c; c = c.nextSibling())
        if (schema::IsGroup(c)) return true;
    return false;
}

QTreeWidgetItem* NewGroupItem(const XmlNode& group, const QString& name) {
    auto* item = new GroupTreeItem(name);
    item->setChildIndicatorPolicy(HasGroupChild(group)
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    return item;
}

// Adds the items of all sub-groups of `element` below `top`, its item, without touching the
// tree. The walk goes down and back up along the parents instead of recursing, so any depth
// fits on the stack; every item joins its parent before it gets children of its own, which
// keeps each addition constant time. A group without a name fails: each level from its parent
// up to `element` shows the notice with its own name, and their remaining sub-groups are left
// out, as the tree shows them.
bool BuildBranch(const XmlNode& element, QTreeWidgetItem* top, QObject* owner) {
    XmlNode parent = element;
    QTreeWidgetItem* parentItem = top;
    XmlNode node = element.firstChild();
    for (;;) {
        if (node.isNull()) {
            if (parent == element) return true;
            node = parent.nextSibling();
            parent = parent.parent();
            parentItem = parentItem->parent();
            continue;
        }
        if (!schema::IsGroup(node)) {
            node = node.nextSibling();
            continue;
        }
        const std::optional<QString> name = node.attribute(schema::kName);
        if (!name) {
            for (QTreeWidgetItem* at = parentItem;; at = at->parent()) {
                Notice(owner, u"%sを追加できませんでした", at->text(0));
                if (at == top) return false;
            }
        }
        QTreeWidgetItem* item = NewGroupItem(node, *name);
        parentItem->addChild(item);
        parent = node;
        parentItem = item;
        node = node.firstChild();
    }
}

}  // namespace

bool FillGroupTree(GroupTreeWidget* tree, const XmlNode& element, QTreeWidgetItem* parent,
                   QObject* owner) {
    if (!schema::IsGroup(element)) return true;
    const std::optional<QString> name = element.attribute(schema::kName);
    if (!name) return false;
    if (parent) parent->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    // The branch is built apart and attached once, which is much faster for large documents.
    QTreeWidgetItem* item = NewGroupItem(element, *name);
    const bool ok = BuildBranch(element, item, owner);
    if (parent)
        parent->addChild(item);
    else
        tree->addTopLevelItem(item);
    // Top-level items open so the root group shows its sub-groups; deeper ones stay closed.
    item->setExpanded(parent == nullptr);
    return ok;
}

void RebuildGroupTree(GroupTreeWidget* tree, const XmlNode& root, QObject* owner) {
    DeleteAllTreeItems(tree);
    if (root) FillGroupTree(tree, root, nullptr, owner);
}

QStringList LabelChain(const QTreeWidgetItem* item) {
    QStringList labels;
    for (; item; item = item->parent()) labels.prepend(item->text(0));
    return labels;
}

QString GroupPathOfItem(const QTreeWidgetItem* item) {
    return xpath::BuildGroupPath(LabelChain(item));
}

QTreeWidgetItem* TreeItemForGroup(GroupTreeWidget* tree, const XmlNode& group) {
    std::vector<QString> names;
    for (XmlNode n = group; n && n.isElement(); n = n.parentElement()) {
        const std::optional<QString> name = n.attribute(schema::kName);
        if (!name) throw XmlError(XmlError::kPointer);
        if (name->isEmpty()) break;
        names.push_back(*name);
        if (!n.parentElement()) break;
    }
    if (names.empty()) return nullptr;
    size_t k = names.size() - 1;
    QTreeWidgetItem* parent = nullptr;
    int index = 0;
    while (true) {
        QTreeWidgetItem* t = parent ? parent->child(index) : tree->topLevelItem(index);
        if (!t) return nullptr;
        if (t->text(0) == names[k]) {
            if (k == 0) return t;
            --k;
            parent = t;
            index = 0;
        } else {
            ++index;
        }
    }
}

QTreeWidgetItem* TreeItemForLabels(GroupTreeWidget* tree, const QStringList& labelsTopDown) {
    QTreeWidgetItem* at = nullptr;
    for (const QString& label : labelsTopDown) {
        QTreeWidgetItem* next = nullptr;
        const int count = at ? at->childCount() : tree->topLevelItemCount();
        for (int i = 0; i < count && !next; ++i) {
            QTreeWidgetItem* candidate = at ? at->child(i) : tree->topLevelItem(i);
            if (candidate->text(0) == label) next = candidate;
        }
        if (!next) return nullptr;
        at = next;
    }
    return at;
}

void SetTreeItemCut(QTreeWidgetItem* item, bool cut) {
    if (!item) return;
    item->setData(0, kCutRole, cut);
    if (cut)
        item->setForeground(0, QPalette().brush(QPalette::Disabled, QPalette::Text));
    else
        item->setData(0, Qt::ForegroundRole, QVariant());
    if (auto* tree = qobject_cast<GroupTreeWidget*>(item->treeWidget()))
        tree->tellDescriptionChanged(item);
}

bool IsTreeItemCut(const QTreeWidgetItem* item) {
    return item && item->data(0, kCutRole).toBool();
}

TreeItemRef::TreeItemRef(GroupTreeWidget* tree, QTreeWidgetItem* item)
    : tree_(tree), index_(item ? tree->indexOfItem(item) : QModelIndex()) {}

QTreeWidgetItem* TreeItemRef::item() const {
    if (!tree_ || !index_.isValid()) return nullptr;
    return tree_->itemOfIndex(index_);
}

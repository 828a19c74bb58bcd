#include "GroupTreeView.h"

#include <QBrush>
#include <QPalette>
#include <vector>

#include "GroupTreeWidget.h"
#include "MessageBoxes.h"
#include "Schema.h"
#include "XPathForms.h"

namespace {

constexpr int kCutRole = Qt::UserRole + 1;

bool HasGroupChild(const XmlNode& element) {
    for (XmlNode c = element.firstChild(); c; c = c.nextSibling())
        if (schema::IsGroup(c)) return true;
    return false;
}

// Builds the item of a group and its sub-groups without touching the tree; a failure leaves the
// partial branch in `item` as the tree would show it.
bool BuildBranch(const XmlNode& element, QTreeWidgetItem* parent, QObject* owner,
                 QTreeWidgetItem** made) {
    *made = nullptr;
    if (!schema::IsGroup(element)) return true;
    const std::optional<QString> name = element.attribute(schema::kName);
    if (!name) return false;
    auto* item = new QTreeWidgetItem(QStringList{*name});
    item->setChildIndicatorPolicy(HasGroupChild(element)
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    if (parent) parent->addChild(item);
    *made = item;
    for (XmlNode c = element.firstChild(); c; c = c.nextSibling()) {
        if (!c.isElement()) continue;
        QTreeWidgetItem* child = nullptr;
        if (!BuildBranch(c, item, owner, &child)) {
            Notice(owner, u"%sを追加できませんでした", *name);
            return false;
        }
    }
    return true;
}

}  // namespace

bool FillGroupTree(GroupTreeWidget* tree, const XmlNode& element, QTreeWidgetItem* parent,
                   QObject* owner) {
    if (!schema::IsGroup(element)) return true;
    if (!element.attribute(schema::kName)) return false;
    if (parent) parent->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    // The branch is built apart and attached once, which is much faster for large documents.
    QTreeWidgetItem* item = nullptr;
    const bool ok = BuildBranch(element, nullptr, owner, &item);
    if (item) {
        if (parent)
            parent->addChild(item);
        else
            tree->addTopLevelItem(item);
        // Top-level items open so the root group shows its sub-groups; deeper ones stay closed.
        item->setExpanded(parent == nullptr);
    }
    return ok;
}

void RebuildGroupTree(GroupTreeWidget* tree, const XmlNode& root, QObject* owner) {
    tree->clear();
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

void SetTreeItemCut(QTreeWidgetItem* item, bool cut) {
    if (!item) return;
    item->setData(0, kCutRole, cut);
    if (cut)
        item->setForeground(0, QPalette().brush(QPalette::Disabled, QPalette::Text));
    else
        item->setData(0, Qt::ForegroundRole, QVariant());
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

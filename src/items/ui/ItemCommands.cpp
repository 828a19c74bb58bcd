#include "ItemCommands.h"

#include <QApplication>
#include <QTreeWidgetItem>
#include <optional>

#include "CEditDialog.h"
#include "CZetrovaView.h"
#include "GroupTreeView.h"
#include "ItemListFill.h"
#include "Lookups.h"
#include "MessageBoxes.h"
#include "Schema.h"
#include "SecureWipe.h"
#include "TreeItemDeletion.h"
#include "Workspace.h"

namespace {

// The edit dialog's owner: the active window, else the main window.
QWidget* DialogOwner(const Workspace& ws) {
    QWidget* active = QApplication::activeWindow();
    return active ? active : ws.owner();
}

bool ShowDialog(CEditDialog& dialog) {
    return CurrentPrompter().runDialog(dialog) == 1;
}

// True for a child that the item list shows as a row.
bool IsRow(const XmlNode& node) {
    return (schema::IsElementNamed(node, schema::kItem) ||
            schema::IsElementNamed(node, schema::kSecret)) &&
           node.attribute(schema::kName).has_value();
}

// The row a child of `group` has in the item list.
int RowOf(const XmlNode& group, const XmlNode& child) {
    int row = 0;
    for (XmlNode n = group.firstChild(); n && n != child; n = n.nextSibling())
        if (IsRow(n)) ++row;
    return row;
}

// After the source group of a pending move changed, the cut row follows the marked item: its
// new row while it is still in that group, none once it has left it.
void FollowMarkedRow(Workspace& ws) {
    MarkSlot& mark = ws.mark;
    if (!mark.itemMovePending() || mark.row < 0) return;
    mark.row = mark.node.parent() == mark.sourceGroup ? RowOf(mark.sourceGroup, mark.node) : -1;
}

void Changed(Workspace& ws) {
    FollowMarkedRow(ws);
    ws.doc.modified = true;
    ws.RefillItemList();
}

bool IsInside(XmlNode node, const XmlNode& ancestor) {
    for (; node; node = node.parentElement())
        if (node == ancestor) return true;
    return false;
}

// A sub-group replaced by an item leaves the tree as well, and a group mark inside it is
// forgotten, so that neither the tree nor a later paste refers to a group that is gone.
void DropReplacedGroup(Workspace& ws, const XmlNode& group, QTreeWidgetItem* treeItem) {
    if (ws.mark.isGroup() && IsInside(ws.mark.node, group)) ws.mark.forget();
    if (treeItem) {
        QTreeWidgetItem* parent = treeItem->parent();
        DeleteTreeItem(treeItem);
        if (parent && parent->childCount() == 0)
            parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
    if (ws.mark.isGroup() && ws.mark.groupItem.isNull()) ws.mark.forget();
}

// Puts the dialog's item in place of `old`, a child of `group`.
void ReplaceChild(Workspace& ws, const XmlNode& group, const XmlNode& old,
                  const CEditDialog& dialog) {
    const bool wasGroup = schema::IsGroup(old);
    QTreeWidgetItem* treeItem = wasGroup ? TreeItemForGroup(ws.tree(), old) : nullptr;
    group.replaceChild(MakeItemNode(group.document(), dialog.name, dialog.value, dialog.secret),
                       old);
    if (wasGroup) DropReplacedGroup(ws, old, treeItem);
}

void AppendItem(const XmlNode& group, const CEditDialog& dialog) {
    group.appendChild(MakeItemNode(group.document(), dialog.name, dialog.value, dialog.secret));
}

}  // namespace

XmlNode MakeItemNode(const XmlDocument& document, const QString& name, const QString& value,
                     bool secret) {
    XmlNode element = document.createElement(secret ? schema::kSecret : schema::kItem);
    element.setAttribute(schema::kName, name);
    element.setText(value);
    return element;
}

void AddItemCommand(Workspace& ws) {
    CEditDialog dialog(QString(), QString(), false, DialogOwner(ws));
    while (ShowDialog(dialog)) {
        const XmlNode group = ws.FindCurrentGroup(true);
        if (!group) return;
        const XmlNode existing = FindItem(group, dialog.name, schema::kAnyKind, ws.owner());
        if (!existing) {
            AppendItem(group, dialog);
            Changed(ws);
            return;
        }
        if (QuestionBox(ws.owner(), kCaptionNotice, u"\"%s\" はすでに存在します。置き換えますか？",
                        dialog.name) == kAnswerYes) {
            ReplaceChild(ws, group, existing, dialog);
            Changed(ws);
            return;
        }
    }
}

void ChangeItemCommand(Workspace& ws, const CZetrovaView* list) {
    const std::optional<SelectedItem> selected = GetSelectedItem(list, ws.owner());
    if (!selected) return;
    const XmlNode group = ws.FindCurrentGroup(true);
    if (!group) return;
    // The row's own element, found by name and kind, so that a same-named child of another kind
    // never lends its value.
    const XmlNode edited = FindItem(group, selected->name, selected->kind, ws.owner());
    if (!edited) return;
    const bool secret = selected->kind == schema::kSecretItem;
    if (secret) {
        QString verifier;
        if (!ws.AskKey(verifier)) return;
        WipeOwnCopy(verifier);
    }
    CEditDialog dialog(selected->name, edited.text(), secret, DialogOwner(ws));
    while (ShowDialog(dialog)) {
        const XmlNode existing = FindItem(group, dialog.name, schema::kAnyKind, ws.owner());
        if (existing) {
            const XmlNode old = FindItem(group, selected->name, selected->kind, ws.owner());
            if (!old) return;
            // Another child already has the new name: the group would hold two of one name.
            if (existing != old && schema::NameOf(existing) != schema::NameOf(old)) {
                Notice(ws.owner(), u"\"%s\" はすでに存在します", dialog.name);
                continue;
            }
            group.replaceChild(
                MakeItemNode(group.document(), dialog.name, dialog.value, dialog.secret), old);
            Changed(ws);
            return;
        }
        if (QuestionBox(ws.owner(), kCaptionNotice, u"\"%s\"は新しい項目です。追加しますか？",
                        dialog.name) == kAnswerYes) {
            AppendItem(group, dialog);
            Changed(ws);
            return;
        }
    }
}

void DeleteItemCommand(Workspace& ws, const CZetrovaView* list) {
    const std::optional<SelectedItem> selected = GetSelectedItem(list, ws.owner());
    if (!selected) return;
    if (QuestionBox(ws.owner(), kCaptionConfirm, u"\"%s\" を削除しますか", selected->name) !=
        kAnswerYes)
        return;
    const XmlNode group = ws.FindCurrentGroup(true);
    if (!group) return;
    const XmlNode item = FindItem(group, selected->name, selected->kind, ws.owner());
    if (!item) return;
    group.removeChild(item);
    Changed(ws);
}

void MarkItemCommand(Workspace& ws, const CZetrovaView* list, bool move) {
    const std::optional<SelectedItem> selected = GetSelectedItem(list, ws.owner());
    if (!selected) return;
    ws.mark.forget();
    const XmlNode group = ws.FindCurrentGroup(true);
    if (!group) return;
    const XmlNode item = FindItem(group, selected->name, selected->kind, ws.owner());
    if (!item) return;
    MarkSlot& mark = ws.mark;
    mark.kind = MarkSlot::Kind::Item;
    mark.node = item;
    mark.itemMove = move;
    if (move) {
        mark.sourceGroup = group;
        mark.row = selected->row;
    }
    ws.RefillItemList();
}

void PasteItemCommand(Workspace& ws) {
    const XmlNode target = ws.FindCurrentGroup(true);
    if (!target) return;
    MarkSlot& mark = ws.mark;
    if (!mark.isItem() || !mark.node) return;
    const QString name = schema::NameOf(mark.node);
    if (FindItem(target, name, schema::kAnyKind, ws.owner())) {
        Notice(ws.owner(), u"\"%s\" はすでに存在します", name);
        return;
    }
    if (mark.itemMovePending()) {
        // Only the marked item itself leaves its group; another child of that name (made after
        // the first paste of this move) stays.
        if (mark.sourceGroup &&
            FindItem(mark.sourceGroup, name, schema::kAnyKind, ws.owner()) == mark.node)
            mark.sourceGroup.removeChild(mark.node);
        mark.row = -1;
    }
    target.appendChild(mark.node.cloneDeep());
    Changed(ws);
}

void CopyValueToClipboard(Workspace& ws, const CZetrovaView* list) {
    const std::optional<SelectedItem> selected = GetSelectedItem(list, ws.owner());
    if (!selected) return;
    const XmlNode group = ws.FindCurrentGroup(true);
    if (!group) return;
    const XmlNode item = FindItem(group, selected->name, selected->kind, ws.owner());
    if (!item) return;
    const bool secret = schema::IsElementNamed(item, schema::kSecret);
    if (secret) {
        QString verifier;
        if (!ws.AskKey(verifier)) return;
        WipeOwnCopy(verifier);
    }
    QString value = item.text();
    CurrentPrompter().setClipboardText(value, secret);
    if (secret) Wipe(value);
}

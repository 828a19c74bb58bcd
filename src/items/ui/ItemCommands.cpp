#include "items/ui/ItemCommands.h"

#include <QApplication>
#include <QTreeWidgetItem>
#include <optional>

#include "diag/MessageBoxes.h"
#include "diag/SecureWipe.h"
#include "items/ItemRules.h"
#include "items/ui/CEditDialog.h"
#include "items/ui/CZetrovaView.h"
#include "items/ui/ItemListFill.h"
#include "model/GroupRules.h"
#include "model/Lookups.h"
#include "model/Schema.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/TreeItemDeletion.h"
#include "model/ui/Workspace.h"

namespace {

// The edit dialog's owner: the active window, else the main window.
QWidget* DialogOwner(const Workspace& ws) {
    QWidget* active = QApplication::activeWindow();
    return active ? active : ws.owner();
}

bool ShowDialog(CEditDialog& dialog) {
    return CurrentPrompter().runDialog(dialog) == kDialogOk;
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
    MarkSlot& mark = ws.mark();
    if (!mark.itemMovePending() || mark.row < 0) return;
    mark.row = mark.node.parent() == mark.sourceGroup ? RowOf(mark.sourceGroup, mark.node) : -1;
}

void Changed(Workspace& ws) {
    FollowMarkedRow(ws);
    ws.doc().modified = true;
    ws.RefillItemList();
}

// A sub-group replaced by an item leaves the tree as well, and a group mark inside it is
// forgotten, so that neither the tree nor a later paste refers to a group that is gone.
void DropReplacedGroup(Workspace& ws, const XmlNode& group, QTreeWidgetItem* treeItem) {
    if (ws.mark().isGroup() && group_rules::IsInBranchOf(ws.mark().node, group)) ws.mark().forget();
    if (treeItem) {
        QTreeWidgetItem* parent = treeItem->parent();
        DeleteTreeItem(treeItem);
        if (parent && parent->childCount() == 0)
            parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
    if (ws.mark().isGroup() && ws.mark().groupItem.isNull()) ws.mark().forget();
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

// The selected row, the current group and the row's own element in it, found by name and kind (so
// that a same-named child of another kind never stands in for it); nothing after the notice of
// the step that failed.
struct SelectedElement {
    SelectedItem row;
    XmlNode group;
    XmlNode item;
};

std::optional<SelectedElement> FindSelectedElement(const Workspace& ws, const CZetrovaView* list) {
    std::optional<SelectedItem> selected = GetSelectedItem(list, ws.owner());
    if (!selected) return std::nullopt;
    const XmlNode group = ws.FindCurrentGroup(true);
    if (!group) return std::nullopt;
    const XmlNode item = FindItem(group, selected->name, selected->kind, ws.owner());
    if (!item) return std::nullopt;
    return SelectedElement{std::move(*selected), group, item};
}

// The key before a secret value is revealed; true when it may be.
bool MayReveal(const Workspace& ws, schema::ItemKind kind) {
    if (!RevealNeedsKey(kind)) return true;
    QString verifier;
    if (!ws.AskKey(verifier)) return false;
    WipeOwnCopy(verifier);
    return true;
}

// A name or value the data file cannot hold is refused with its notice, and the dialog comes again
// with what was typed; true when it was.
bool RefusedText(const Workspace& ws, const CEditDialog& dialog) {
    const char16_t* refusal = RefuseItemText(dialog.name, dialog.value);
    if (refusal) Notice(ws.owner(), refusal);
    return refusal != nullptr;
}

void AppendItem(const XmlNode& group, const CEditDialog& dialog) {
    group.appendChild(MakeItemNode(group.document(), dialog.name, dialog.value, dialog.secret));
}

}  // namespace

void AddItemCommand(Workspace& ws) {
    CEditDialog dialog(QString(), QString(), false, DialogOwner(ws));
    while (ShowDialog(dialog)) {
        if (RefusedText(ws, dialog)) continue;
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
    const std::optional<SelectedElement> selected = FindSelectedElement(ws, list);
    if (!selected) return;
    const XmlNode& group = selected->group;
    if (!MayReveal(ws, selected->row.kind)) return;
    CEditDialog dialog(selected->row.name, selected->item.text(),
                       selected->row.kind == schema::kSecretItem, DialogOwner(ws));
    while (ShowDialog(dialog)) {
        if (RefusedText(ws, dialog)) continue;
        // The edited element, found again after the dialog.
        const XmlNode old = FindItem(group, selected->row.name, selected->row.kind, ws.owner());
        if (!old) return;
        switch (ClassifyItemChange(group, old, dialog.name)) {
            case ItemChange::NameInUse:
                Notice(ws.owner(), kItemNameInUse, dialog.name);
                continue;
            case ItemChange::InPlace:
                group.replaceChild(
                    MakeItemNode(group.document(), dialog.name, dialog.value, dialog.secret), old);
                Changed(ws);
                return;
            case ItemChange::NewName:
                if (QuestionBox(ws.owner(), kCaptionNotice,
                                u"\"%s\"は新しい項目です。追加しますか？",
                                dialog.name) == kAnswerYes) {
                    AppendItem(group, dialog);
                    Changed(ws);
                    return;
                }
                continue;
        }
    }
}

void DeleteItemCommand(Workspace& ws, const CZetrovaView* list) {
    const std::optional<SelectedItem> selected = GetSelectedItem(list, ws.owner());
    if (!selected) return;
    if (QuestionBox(ws.owner(), kCaptionConfirm, u"\"%s\" を削除しますか", selected->name) !=
        kAnswerYes)
        return;
    // Found after the question, as the document stands then.
    const std::optional<SelectedElement> element = FindSelectedElement(ws, list);
    if (!element) return;
    element->group.removeChild(element->item);
    Changed(ws);
}

void MarkItemCommand(Workspace& ws, const CZetrovaView* list, bool move) {
    // Nothing selected: the notice, and the previous mark stays.
    if (!GetSelectedItem(list, ws.owner())) return;
    ws.mark().forget();
    const std::optional<SelectedElement> selected = FindSelectedElement(ws, list);
    if (!selected) return;
    MarkSlot& mark = ws.mark();
    mark.kind = MarkSlot::Kind::Item;
    mark.node = selected->item;
    mark.itemMove = move;
    if (move) {
        mark.sourceGroup = selected->group;
        mark.row = selected->row.row;
    }
    ws.RefillItemList();
}

void PasteItemCommand(Workspace& ws) {
    const XmlNode target = ws.FindCurrentGroup(true);
    if (!target) return;
    MarkSlot& mark = ws.mark();
    if (!mark.isItem() || !mark.node) return;
    const QString name = schema::NameOf(mark.node);
    if (HoldsChildNamed(target, name)) {
        Notice(ws.owner(), kItemNameInUse, name);
        return;
    }
    if (mark.itemMovePending()) {
        // Only the marked item itself leaves its group; another child of that name (made after
        // the first paste of this move) stays.
        if (StillStandsIn(mark.sourceGroup, mark.node)) mark.sourceGroup.removeChild(mark.node);
        mark.row = -1;
    }
    target.appendChild(mark.node.cloneDeep());
    Changed(ws);
}

void CopyValueToClipboard(Workspace& ws, const CZetrovaView* list) {
    const std::optional<SelectedElement> selected = FindSelectedElement(ws, list);
    if (!selected) return;
    const schema::ItemKind kind = KindOf(selected->item);
    if (!MayReveal(ws, kind)) return;
    QString value = selected->item.text();
    const bool secret = kind == schema::kSecretItem;
    CurrentPrompter().setClipboardText(value, secret);
    if (secret) Wipe(value);
}

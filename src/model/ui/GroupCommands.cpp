#include "model/ui/GroupCommands.h"

#include <QApplication>
#include <QTreeWidgetItem>
#include <optional>

#include "diag/MessageBoxes.h"
#include "model/GroupRules.h"
#include "model/Lookups.h"
#include "model/Schema.h"
#include "model/ui/CEditGroupDlg.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/TreeItemDeletion.h"
#include "model/ui/Workspace.h"

namespace {

// The current group's element together with the tree item it was found from.
struct CurrentGroup {
    XmlNode node;
    QTreeWidgetItem* item = nullptr;
};

// The current group, or nothing after the notice "グループが見つかりません". Without a current tree
// item there is no group, even when the empty path happens to match a root group named "".
std::optional<CurrentGroup> ResolveCurrentGroup(const Workspace& ws) {
    QTreeWidgetItem* item = ws.currentGroupItem();
    if (!item) {
        Notice(ws.owner(), u"グループが見つかりません");
        return std::nullopt;
    }
    XmlNode node = ws.FindCurrentGroup(true);
    if (node.isNull()) return std::nullopt;
    return CurrentGroup{node, item};
}

using group_rules::RequiredName;

// Shows the refusal, if any; true when there was one.
bool Refused(const Workspace& ws, const char16_t* refusal) {
    if (refusal) Notice(ws.owner(), refusal);
    return refusal != nullptr;
}

// Shows the group name dialog with `name` in its edit and leaves the edit's text there; true
// for "OK".
bool AskGroupName(const Workspace& ws, QString& name) {
    QWidget* active = QApplication::activeWindow();
    CEditGroupDlg dialog(active ? active : ws.owner());
    dialog.name = name;
    const int result = CurrentPrompter().runDialog(dialog);
    name = dialog.name;
    return result == kDialogOk;
}

// True when `item` is `branch` or lies anywhere below it.
bool IsBelowItem(QTreeWidgetItem* item, const QTreeWidgetItem* branch) {
    for (; item; item = item->parent())
        if (item == branch) return true;
    return false;
}

// A group mark whose tree item is gone (deleted with a branch, a move, a rebuild) or whose
// group no longer belongs to the open document can no longer be pasted: it is forgotten.
void ForgetStaleGroupMark(Workspace& ws) {
    if (!ws.mark().isGroup()) return;
    if (ws.mark().groupItem.isNull() || ws.mark().node.document() != ws.doc().document)
        ws.mark().forget();
}

}  // namespace

void AddGroupCommand(Workspace& ws) {
    const std::optional<CurrentGroup> current = ResolveCurrentGroup(ws);
    if (!current) return;
    QString name;
    for (;;) {
        if (!AskGroupName(ws, name)) return;
        if (!Refused(ws, group_rules::RefuseNewGroupName(current->node, name))) break;
    }
    const XmlNode group = group_rules::AppendNewGroup(current->node, name);
    // The new branch comes in collapsed; the parent only gains its expand button.
    FillGroupTree(ws.tree(), group, current->item, ws.owner());
    ws.doc().modified = true;
}

void RenameGroupCommand(Workspace& ws) {
    const std::optional<CurrentGroup> current = ResolveCurrentGroup(ws);
    if (!current) return;
    if (Refused(ws, group_rules::RefuseChangeOf(current->node, ws.doc().root))) return;
    QString name = RequiredName(current->node);
    for (;;) {
        if (!AskGroupName(ws, name)) return;
        if (!Refused(ws, group_rules::RefuseRename(current->node, name))) break;
    }
    current->node.setAttribute(schema::kName, name);
    // The label is the stored name, the text that the group's path must match.
    current->item->setText(0, RequiredName(current->node));
    ws.doc().modified = true;
}

void DeleteGroupCommand(Workspace& ws) {
    const std::optional<CurrentGroup> current = ResolveCurrentGroup(ws);
    if (!current) return;
    if (Refused(ws, group_rules::RefuseChangeOf(current->node, ws.doc().root))) return;
    if (QuestionBox(ws.owner(), kCaptionConfirm, u"\"%s\" を削除しますか",
                    RequiredName(current->node)) != kAnswerYes)
        return;
    current->node.parent().removeChild(current->node);
    DeleteTreeItem(current->item);
    ForgetStaleGroupMark(ws);
    ws.doc().modified = true;
    // The tree's selected item after the deletion becomes the current group (or none).
    ws.SetCurrentGroup(ws.tree()->currentItem());
}

void MarkGroupCommand(Workspace& ws, bool move) {
    if (ws.mark().isGroup()) ws.mark().forget();
    const std::optional<CurrentGroup> current = ResolveCurrentGroup(ws);
    if (!current) return;
    if (Refused(ws, group_rules::RefuseChangeOf(current->node, ws.doc().root))) return;
    // One slot: the group mark replaces a marked item, whose row is then no longer drawn cut.
    const bool itemRowWasCut = ws.mark().itemMovePending();
    ws.mark().forget();
    ws.mark().kind = MarkSlot::Kind::Group;
    ws.mark().node = current->node;
    ws.mark().groupItem = TreeItemRef(ws.tree(), current->item);
    if (move) SetTreeItemCut(current->item, true);
    if (itemRowWasCut) ws.RefillItemList();
}

void PasteGroupCommand(Workspace& ws) {
    ForgetStaleGroupMark(ws);
    if (!ws.mark().isGroup()) return;
    const XmlNode marked = ws.mark().node;
    const QString name = RequiredName(marked);
    const std::optional<CurrentGroup> target = ResolveCurrentGroup(ws);
    if (!target) return;
    QTreeWidgetItem* markedItem = ws.mark().groupItem.item();
    const bool move = IsTreeItemCut(markedItem);
    if (Refused(ws, group_rules::RefusePaste(marked, target->node, move))) return;
    if (move) {
        // The tree cannot show a branch below itself either; refuse before anything is detached.
        if (IsBelowItem(target->item, markedItem)) {
            Notice(ws.owner(), group_rules::kMoveBelowItself);
            return;
        }
        const XmlNode source = marked.parentElement();
        const bool stillInSource =
            marked.isInTree() && !source.isNull() && FindChild(source, name) == marked;
        ws.mark().forget();
        if (stillInSource) {
            const XmlNode moved = target->node.appendChild(marked);
            DeleteTreeItem(markedItem);
            FillGroupTree(ws.tree(), moved, target->item, ws.owner());
        } else {
            // The marked group no longer stands where it was marked; removing something there
            // could take another node, so only its copy is pasted.
            const XmlNode copy = target->node.appendChild(marked.cloneDeep());
            FillGroupTree(ws.tree(), copy, target->item, ws.owner());
        }
    } else {
        // The copy is taken before it is inserted, so a group can be pasted into its own branch.
        const XmlNode copy = target->node.appendChild(marked.cloneDeep());
        FillGroupTree(ws.tree(), copy, target->item, ws.owner());
    }
    ws.doc().modified = true;
}

#include "GroupCommands.h"

#include <QApplication>
#include <QTreeWidgetItem>
#include <optional>

#include "CEditGroupDlg.h"
#include "GroupTreeView.h"
#include "GroupTreeWidget.h"
#include "Lookups.h"
#include "MessageBoxes.h"
#include "Schema.h"
#include "TreeItemDeletion.h"
#include "Workspace.h"
#include "XmlError.h"

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

bool IsRootGroup(const Workspace& ws, const XmlNode& group) {
    return group == ws.doc.root;
}

// The name attribute that must be there; an element without one is an engine-level fault.
QString RequiredName(const XmlNode& element) {
    std::optional<QString> name = element.attribute(schema::kName);
    if (!name) throw XmlError(XmlError::kPointer);
    return *name;
}

// Shows the group name dialog with `name` in its edit and leaves the edit's text there; true
// for "OK".
bool AskGroupName(const Workspace& ws, QString& name) {
    QWidget* active = QApplication::activeWindow();
    CEditGroupDlg dialog(active ? active : ws.owner());
    dialog.name = name;
    const int result = CurrentPrompter().runDialog(dialog);
    name = dialog.name;
    return result == 1;
}

// True when `node` is `group` or lies anywhere below it; the same for tree items.
bool IsInBranchOf(XmlNode node, const XmlNode& group) {
    for (; !node.isNull(); node = node.parentElement())
        if (node == group) return true;
    return false;
}

bool IsBelowItem(QTreeWidgetItem* item, const QTreeWidgetItem* branch) {
    for (; item; item = item->parent())
        if (item == branch) return true;
    return false;
}

// A group mark whose tree item is gone (deleted with a branch, a move, a rebuild) or whose
// group no longer belongs to the open document can no longer be pasted: it is forgotten.
void ForgetStaleGroupMark(Workspace& ws) {
    if (!ws.mark.isGroup()) return;
    if (ws.mark.groupItem.isNull() || ws.mark.node.document() != ws.doc.document) ws.mark.forget();
}

}  // namespace

void AddGroupCommand(Workspace& ws) {
    const std::optional<CurrentGroup> current = ResolveCurrentGroup(ws);
    if (!current) return;
    QString name;
    for (;;) {
        if (!AskGroupName(ws, name)) return;
        if (name.isEmpty()) {
            Notice(ws.owner(), u"名前を入力してください");
            continue;
        }
        if (!FindChild(current->node, name).isNull()) {
            Notice(ws.owner(), u"同じ名前のグループがあります");
            continue;
        }
        break;
    }
    XmlNode group = ws.doc.document.createElement(schema::kGroup);
    group.setAttribute(schema::kName, name);
    group = current->node.appendChild(group);
    // The new branch comes in collapsed; the parent only gains its expand button.
    FillGroupTree(ws.tree(), group, current->item, ws.owner());
    ws.doc.modified = true;
}

void RenameGroupCommand(Workspace& ws) {
    const std::optional<CurrentGroup> current = ResolveCurrentGroup(ws);
    if (!current) return;
    if (IsRootGroup(ws, current->node)) {
        Notice(ws.owner(), u"rootは変更できません。");
        return;
    }
    QString name = RequiredName(current->node);
    const XmlNode parent = current->node.parentElement();
    for (;;) {
        if (!AskGroupName(ws, name)) return;
        // Two children of one name would make every lookup find only the first of them.
        const XmlNode holder = parent.isNull() ? XmlNode() : FindChild(parent, name);
        if (!holder.isNull() && holder != current->node) {
            Notice(ws.owner(), u"同じ名前のグループがあります");
            continue;
        }
        break;
    }
    current->node.setAttribute(schema::kName, name);
    // The label is the stored name, the text that the group's path must match.
    current->item->setText(0, RequiredName(current->node));
    ws.doc.modified = true;
}

void DeleteGroupCommand(Workspace& ws) {
    const std::optional<CurrentGroup> current = ResolveCurrentGroup(ws);
    if (!current) return;
    if (IsRootGroup(ws, current->node)) {
        Notice(ws.owner(), u"rootは変更できません。");
        return;
    }
    if (QuestionBox(ws.owner(), kCaptionConfirm, u"\"%s\" を削除しますか",
                    RequiredName(current->node)) != kAnswerYes)
        return;
    current->node.parent().removeChild(current->node);
    DeleteTreeItem(current->item);
    ForgetStaleGroupMark(ws);
    ws.doc.modified = true;
    // The tree's selected item after the deletion becomes the current group (or none).
    ws.setCurrentGroup(ws.tree()->currentItem());
}

void MarkGroupCommand(Workspace& ws, bool move) {
    if (ws.mark.isGroup()) ws.mark.forget();
    const std::optional<CurrentGroup> current = ResolveCurrentGroup(ws);
    if (!current) return;
    if (IsRootGroup(ws, current->node)) {
        Notice(ws.owner(), u"rootは変更できません。");
        return;
    }
    // One slot: the group mark replaces a marked item, whose row is then no longer drawn cut.
    const bool itemRowWasCut = ws.mark.itemMovePending();
    ws.mark.forget();
    ws.mark.kind = MarkSlot::Kind::Group;
    ws.mark.node = current->node;
    ws.mark.groupItem = TreeItemRef(ws.tree(), current->item);
    if (move) SetTreeItemCut(current->item, true);
    if (itemRowWasCut) ws.RefillItemList();
}

void PasteGroupCommand(Workspace& ws) {
    ForgetStaleGroupMark(ws);
    if (!ws.mark.isGroup()) return;
    const XmlNode marked = ws.mark.node;
    const QString name = RequiredName(marked);
    const std::optional<CurrentGroup> target = ResolveCurrentGroup(ws);
    if (!target) return;
    if (!FindChild(target->node, name).isNull()) {
        Notice(ws.owner(), u"同じ名前のグループがあります");
        return;
    }

    QTreeWidgetItem* markedItem = ws.mark.groupItem.item();
    if (IsTreeItemCut(markedItem)) {
        // The document cannot hold a group below itself; refuse before anything is detached.
        if (IsInBranchOf(target->node, marked) || IsBelowItem(target->item, markedItem)) {
            Notice(ws.owner(), u"選択されたグループの下には移動できません");
            return;
        }
        const XmlNode source = marked.parentElement();
        const bool stillInSource =
            marked.isInTree() && !source.isNull() && FindChild(source, name) == marked;
        ws.mark.forget();
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
    ws.doc.modified = true;
}

#include "model/ui/SearchCommands.h"

#include <QApplication>
#include <QTreeWidgetItem>
#include <algorithm>
#include <vector>

#include "diag/MessageBoxes.h"
#include "model/GroupSearch.h"
#include "model/ui/CFindGroupDlg.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"

namespace {

void SetFindNextEnabled(Workspace& ws, bool enabled) {
    ws.SetFindNextEnabled(enabled);
}

// The group the search finds: from the top when no group is current, else after the current one.
XmlNode SearchFrom(const Workspace& ws, const QString& text) {
    return FindNextMatchingGroup(ws.FindCurrentGroup(false), ws.doc().root, text,
                                 ws.groupSearch().caseSensitive);
}

}  // namespace

void FindGroupCommand(Workspace& ws) {
    QWidget* active = QApplication::activeWindow();
    CFindGroupDlg dialog(active ? active : ws.owner());
    dialog.text = ws.groupSearch().text;
    dialog.caseSensitive = ws.groupSearch().caseSensitive;
    if (CurrentPrompter().runDialog(dialog) != kDialogOk) return;
    ws.groupSearch().text = dialog.text;
    ws.groupSearch().caseSensitive = dialog.caseSensitive;
    FindNextGroup(ws, ws.groupSearch().text);
}

void FindNextGroupCommand(Workspace& ws) {
    FindNextGroup(ws, ws.groupSearch().text);
}

bool FindNextGroup(Workspace& ws, const QString& text) {
    if (text.isEmpty()) {
        SetFindNextEnabled(ws, false);
        return false;
    }
    const XmlNode found = SearchFrom(ws, text);
    if (found.isNull()) {
        Notice(ws.owner(), u"「%s」は見つかりませんでした", text);
        return false;
    }
    GroupTreeWidget* tree = ws.tree();
    QTreeWidgetItem* item = TreeItemForGroup(tree, found);
    if (!item) {
        // Groups below a group with an empty name, or in the second of two same-named
        // siblings, have no tree item of their own.
        WarningBox(ws.owner(), kCaptionError, u"%sが見つかりません", text);
        return false;
    }
    MakeFoundGroupCurrent(ws, item);
    SetFindNextEnabled(ws, true);
    return true;
}

void MakeFoundGroupCurrent(Workspace& ws, QTreeWidgetItem* item) {
    GroupTreeWidget* tree = ws.tree();
    // The tree opens the ancestors from the top down, one level at a time: opened all at once,
    // Qt would lay the chain out recursively. A group deeper than the tree can open is current
    // all the same, with its deepest shown ancestor selected.
    std::vector<QTreeWidgetItem*> chain;
    for (QTreeWidgetItem* at = item; at; at = at->parent()) chain.push_back(at);
    std::reverse(chain.begin(), chain.end());
    const size_t shown = std::min<size_t>(chain.size(), kTreeOpenDepthLimit);
    for (size_t level = 0; level + 1 < shown; ++level) chain[level]->setExpanded(true);
    QTreeWidgetItem* caret = chain[shown - 1];
    tree->setCurrentItem(caret);
    tree->scrollToItem(caret);
    ws.SetCurrentGroup(item);
    if (caret != item)
        Notice(ws.owner(),
               u"見つかったグループは%s階層目にあり、ツリーでは%s階層目までしか開けません",
               QString::number(chain.size()), QString::number(kTreeOpenDepthLimit));
}

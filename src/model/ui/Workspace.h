#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "DocumentState.h"
#include "GroupTreeView.h"
#include "XmlNode.h"

class GroupTreeWidget;
class QTreeWidgetItem;

// The one slot for copy, move and paste: a marked group or a marked item, never both.
struct MarkSlot {
    enum class Kind { None, Group, Item };

    Kind kind = Kind::None;
    // The marked element; the handle keeps it alive even after it left the document.
    XmlNode node;
    // Group mark: the marked group's tree item. A move is told by the item's cut state.
    TreeItemRef groupItem;
    // Item mark: move (true) or copy, the group the item was marked in, and the row it had.
    bool itemMove = false;
    XmlNode sourceGroup;
    int row = -1;

    bool isGroup() const { return kind == Kind::Group; }
    bool isItem() const { return kind == Kind::Item; }
    // True while an item move is pending.
    bool itemMovePending() const { return isItem() && itemMove; }
    // Forgets the mark; a group mark's tree item loses its cut state.
    void forget();
};

// What the commands of every subsystem share: the document state, the group tree, the current
// group, the mark slot and the search text. The main window owns one and fills the hooks that
// reach widgets of other subsystems (the item list, the key dialog, the menu).
class Workspace {
public:
    Workspace(GroupTreeWidget* tree, QWidget* owner);

    DocumentState doc;
    MarkSlot mark;
    QString searchText;
    bool searchCaseSensitive = false;

    GroupTreeWidget* tree() const { return tree_; }
    // Owner of the notices and questions (the main window).
    QWidget* owner() const { return owner_; }

    // The current group: the tree item last clicked, found by a search, or selected after a
    // delete; nullptr for none (also once its item has been deleted).
    QTreeWidgetItem* currentGroupItem() const { return current_.item(); }
    // Makes item current and refills the item list.
    void setCurrentGroup(QTreeWidgetItem* item);
    // The group element behind the current group, found afresh from its labels; with report, the
    // notice "グループが見つかりません" when there is none.
    XmlNode FindCurrentGroup(bool report) const;

    // The tree built again from the root group, no group current, the item list emptied.
    void rebuildTree();
    // After the document was replaced or made new: rebuildTree(), the marks forgotten and the
    // modified flag cleared.
    void resetViews();

    // Hooks, set by the main window.
    std::function<void()> refillItemList;
    std::function<bool(QString& verifier)> askKey;
    std::function<void(bool enabled)> setFindNextEnabled;
    // Shows the data file path in the window's caption.
    std::function<void(const QString& path)> setCaptionPath;

    void RefillItemList() const {
        if (refillItemList) refillItemList();
    }
    bool AskKey(QString& verifier) const { return askKey && askKey(verifier); }

private:
    GroupTreeWidget* tree_;
    QWidget* owner_;
    TreeItemRef current_;
};

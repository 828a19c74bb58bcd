#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QWidget>
#include <functional>

#include "model/DocumentState.h"
#include "model/XmlNode.h"
#include "model/ui/GroupTreeView.h"

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

// The group search's remembered text and case rule, offered again by the next search.
struct GroupSearchState {
    QString text;
    bool caseSensitive = false;
};

// What the commands of every subsystem share: the document state, the group tree, the current
// group, the mark slot and the search text. Operations are verbs in mixed case
// (ReplaceDocument, FindCurrentGroup); accessors are the nouns they give (doc, mark, tree). It owns
// the document's life cycle: every replacement of the document (start-up, New, Open, import,
// reload, merge) goes through ReplaceDocument, and the views that are not its own (the item list,
// the caption, the menu, the status line) follow its signals.
class Workspace : public QObject {
    Q_OBJECT
public:
    Workspace(GroupTreeWidget* tree, QWidget* owner);

    // The held document: its tree, root group, data file path, key verifier and modified flag.
    DocumentState& doc() { return doc_; }
    const DocumentState& doc() const { return doc_; }
    // The one slot for copy, move and paste.
    MarkSlot& mark() { return mark_; }
    const MarkSlot& mark() const { return mark_; }
    GroupSearchState& groupSearch() { return groupSearch_; }
    const GroupSearchState& groupSearch() const { return groupSearch_; }

    // Whether a sync tool's conflict copy (by its SHA-256) was merged or declined in this run;
    // a settled copy is not asked about again.
    bool IsConflictCopySettled(const QByteArray& sha256) const {
        return settledConflictCopies_.contains(sha256);
    }
    void SettleConflictCopy(const QByteArray& sha256) { settledConflictCopies_.insert(sha256); }

    GroupTreeWidget* tree() const { return tree_; }
    // Owner of the notices and questions (the main window).
    QWidget* owner() const { return owner_; }

    // The current group: the tree item last clicked, found by a search, or selected after a
    // delete; nullptr for none (also once its item has been deleted).
    QTreeWidgetItem* currentGroupItem() const { return current_.item(); }
    // Makes item current; the item list follows (currentGroupChanged).
    void SetCurrentGroup(QTreeWidgetItem* item);
    // The group element behind the current group, found afresh from its labels; with report, the
    // notice "グループが見つかりません" when there is none.
    XmlNode FindCurrentGroup(bool report) const;

    // What becomes of the current group when the document is replaced.
    enum class CurrentGroup {
        // None is current (a document opened or made new).
        None,
        // The group with the same labels stays current, shown and selected, when the new document
        // still has it (the same file read again, or merged).
        Kept,
    };
    // The one way the held document is replaced: state becomes the document state, the marks are
    // forgotten (they belong to the previous document), the tree is built again, and the signals
    // documentReplaced, dataFilePathChanged and currentGroupChanged follow, in this order.
    void ReplaceDocument(const DocumentState& state, CurrentGroup current = CurrentGroup::None);
    // The tree built again from the root group, no group current, the item list emptied.
    void RebuildTree();
    // The views rebuilt for the held document as after opening it: the marks forgotten and the
    // modified flag cleared.
    void ResetViews();

    // Sets the data file path; the caption follows (dataFilePathChanged).
    void SetDataFilePath(const QString& path);

    // The key dialog: true once the user typed a key whose verifier is the held one (or, when
    // accept is given, one that accept takes), with that verifier; false when cancelled or when
    // no dialog was given.
    using KeyCheck = std::function<bool(const QString& verifier)>;
    using KeyDialog = std::function<bool(QString& verifier, const KeyCheck& accept)>;
    void SetKeyDialog(KeyDialog dialog) { keyDialog_ = std::move(dialog); }
    bool AskKey(QString& verifier) const { return keyDialog_ && keyDialog_(verifier, {}); }
    // The key dialog for a key other than the held one: true once the user typed a key whose
    // verifier accept takes (e.g. it opens a file written under it elsewhere).
    bool AskOtherKey(QString& verifier, const KeyCheck& accept) const {
        return keyDialog_ && accept && keyDialog_(verifier, accept);
    }
    // The data file was found under another key, changed elsewhere, and the program now holds
    // that key: verifier becomes the held one, and keyVerifierAdopted lets the settings file
    // follow.
    void AdoptKeyVerifier(const QString& verifier) {
        doc_.keyVerifier = verifier;
        emit keyVerifierAdopted(verifier);
    }

    // The current group's items changed: the item list is filled again (itemsChanged).
    void RefillItemList() { emit itemsChanged(); }
    // "次の検索(&N)" greyed or not (findNextAvailable).
    void SetFindNextEnabled(bool enabled) { emit findNextAvailable(enabled); }
    // A fixed text on the status line (statusMessage).
    void ShowStatus(const QString& text) { emit statusMessage(text); }

signals:
    void documentReplaced();
    void currentGroupChanged(QTreeWidgetItem* item);
    void itemsChanged();
    void dataFilePathChanged(const QString& path);
    void findNextAvailable(bool enabled);
    void statusMessage(const QString& text);
    void keyVerifierAdopted(const QString& verifier);

private:
    DocumentState doc_;
    MarkSlot mark_;
    GroupSearchState groupSearch_;
    QSet<QByteArray> settledConflictCopies_;
    GroupTreeWidget* tree_;
    QWidget* owner_;
    TreeItemRef current_;
    KeyDialog keyDialog_;
};

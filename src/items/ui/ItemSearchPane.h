#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

#include "model/ItemSearch.h"

class CZetrovaView;
class ItemSearchModel;
class QLineEdit;
class QTreeView;
class Workspace;

// The right-hand pane of the main window: a search field labelled "検索" above the item list.
// While the field holds a word, the place of the list shows every item of the whole document that
// matches (ItemSearchIndex), with a third column "グループ", and the status line says how many;
// an empty field (or Escape) brings back the current group's list as it was. In the field Up and
// Down move through the results, Return (or Return and a double click in the results) makes the
// result's group current and selects the item in its own list, and Ctrl+C asks for the clipboard
// copy (copyRequested), which copies the highlighted result's value.
//
// The index of folded names and values is built when the field gets the focus (or a search needs
// it) and wiped whenever the document or its items change (documentChanged); results on show are
// then searched again.
class ItemSearchPane : public QWidget {
    Q_OBJECT
public:
    // The pane takes the item list into its layout.
    ItemSearchPane(CZetrovaView* list, QWidget* parent = nullptr);
    ~ItemSearchPane() override;

    // The document the search looks into, the current group and the status line.
    void setWorkspace(Workspace* workspace) { ws_ = workspace; }

    QLineEdit* field() const { return field_; }
    QTreeView* resultsView() const { return results_; }
    const ItemSearchModel& results() const { return *model_; }
    // True while the results stand in place of the item list.
    bool resultsShown() const { return resultsShown_; }

    // Puts the focus into the field, its text selected ("項目の検索").
    void focusField();
    // Empties the field (the list comes back) and wipes the index.
    void clearSearch();
    // The document or its items changed: the index is wiped, and results on show are searched
    // again in the document as it is now.
    void documentChanged();

    // The highlighted result's item element; null when no result is highlighted.
    XmlNode highlightedItem() const;
    // Makes the result's group current (selected and shown in the tree), empties the field and
    // selects the item in its own list, which gets the focus. False, doing nothing, for a row
    // that is not there.
    bool goToResult(int row);
    // goToResult for the highlighted result.
    bool goToHighlighted();

signals:
    // Ctrl+C in the field, or a right click in the results, while results are shown.
    void copyRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Searches for the field's words and shows the results, or brings the list back.
    void refresh();
    void showList();
    void buildIndex();
    void moveHighlight(int step);

    Workspace* ws_ = nullptr;
    CZetrovaView* list_;
    QLineEdit* field_;
    QTreeView* results_;
    ItemSearchIndex index_;
    std::unique_ptr<ItemSearchModel> model_;
    bool resultsShown_ = false;
    // The words of the results on show, which a longer query searches within.
    QStringList shownWords_;
};

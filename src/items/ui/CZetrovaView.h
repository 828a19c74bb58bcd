#pragma once

#include <QIcon>
#include <QTreeWidget>

// The item list of the main window: a report-style list with the columns "項目" and "値", one row
// per item, single selection of whole rows. It only shows what it is given; the row's image is the
// one place where it records an item's kind (image 0 plain, image 1 secret).
//
// For the keyboard the row with the focus is the selected row, the one the commands act on: a row
// that gets the focus is selected, and a list refilled while it holds the window's focus keeps
// the focus on the row number it had (the last row when there are fewer). Assistive technology
// hears each row's kind ("通常" or "秘密") and a pending move ("移動待ち") in its description.
class CZetrovaView : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kPlainImage = 0;
    static constexpr int kSecretImage = 1;

    explicit CZetrovaView(QWidget* parent = nullptr);

    // The small image of a row kind (the list's image list).
    static QIcon imageIcon(int image);

    int rowCount() const { return topLevelItemCount(); }
    void clearRows();
    // One row: its label (column 0), value text (column 1), image and cut state.
    struct Row {
        QString label;
        QString value;
        int image = kPlainImage;
        bool cut = false;
    };
    // Replaces all rows at once (much faster than appending them one by one).
    void setRows(const QList<Row>& rows);
    // Appends a row with its label (column 0) and image; returns its index.
    int appendRow(const QString& label, int image);
    void setCellText(int row, int column, const QString& text);
    // The whole text of a cell; empty for a cell that does not exist.
    QString cellText(int row, int column) const;
    // The row's image, -1 for a row that does not exist.
    int rowImage(int row) const;
    // The selected row, -1 when none.
    int selectedRow() const;
    void selectRow(int row);
    // Draws the row dimmed (an item marked for moving).
    void setRowCut(int row, bool cut);
    bool rowCut(int row) const;

signals:
    // The list was clicked with the right mouse button.
    void rightClicked();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void selectFocusRow();
    // The focus row before the rows were replaced, -1 when none.
    int focusRowBeforeRefill_ = -1;
};

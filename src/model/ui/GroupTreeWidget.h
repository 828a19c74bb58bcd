#pragma once

#include <QTreeWidget>

// The group tree of the main window: one item per group, labelled with its name, in document
// order, never sorted and never edited in place. It only shows; what a click means is decided by
// whoever listens to clickedAt and chosenWithKey.
class GroupTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    explicit GroupTreeWidget(QWidget* parent = nullptr);

    // Model index of an item and back, for references that must notice a deleted item.
    QModelIndex indexOfItem(QTreeWidgetItem* item) const { return indexFromItem(item); }
    QTreeWidgetItem* itemOfIndex(const QModelIndex& index) const { return itemFromIndex(index); }

signals:
    // A left click ended on the tree; item is the tree item under the mouse, nullptr when the click
    // fell on empty space. Sent for every click, also on the item already selected.
    void clickedAt(QTreeWidgetItem* item);
    // Return, Enter or Space was pressed on the highlighted item: the keyboard's click. The arrow
    // keys only move the highlight.
    void chosenWithKey(QTreeWidgetItem* item);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

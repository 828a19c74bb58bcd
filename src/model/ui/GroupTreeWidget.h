#pragma once

#include <QPersistentModelIndex>
#include <QTreeWidget>

// How many levels the tree opens at most when it opens a branch for the user (a group found
// deep down, the * key). Qt's tree view lays out a chain of open levels recursively, and its
// work on every later change of the tree grows with the square of the chain's length: a hundred
// thousand open levels would take minutes or overflow the stack, five thousand cost about a
// tenth of a second. Opening one level by hand works at any depth.
inline constexpr int kTreeOpenDepthLimit = 5000;

// The group tree of the main window: one item per group, labelled with its name, in document
// order, never sorted and never edited in place. It only shows; what a click means is decided by
// whoever listens to clickedAt and chosenWithKey.
class GroupTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    explicit GroupTreeWidget(QWidget* parent = nullptr);
    // Deletes the items leaf first: Qt would delete them recursively, one stack frame per level.
    ~GroupTreeWidget() override;

    // Model index of an item and back, for references that must notice a deleted item.
    QModelIndex indexOfItem(QTreeWidgetItem* item) const { return indexFromItem(item); }
    QTreeWidgetItem* itemOfIndex(const QModelIndex& index) const { return itemFromIndex(index); }

    // The current group, the one the commands act on, as the tree tells assistive technology (in
    // the description of its item); the highlight may be on another item. When the highlighted
    // item becomes current, a screen reader is told that its description changed.
    void setCurrentGroupShown(QTreeWidgetItem* item);
    QTreeWidgetItem* currentGroupShown() const;
    // Tells a screen reader that the description of the highlighted item changed, when item is
    // the highlighted one (a description of another item is read when the highlight gets there).
    void tellDescriptionChanged(QTreeWidgetItem* item);

signals:
    // A left click ended on the tree; item is the tree item under the mouse, nullptr when the click
    // fell on empty space. Sent for every click, also on the item already selected.
    void clickedAt(QTreeWidgetItem* item);
    // Return, Enter or Space was pressed on the highlighted item: the keyboard's click. The arrow
    // keys only move the highlight.
    void chosenWithKey(QTreeWidgetItem* item);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Return, Enter and Space send chosenWithKey; the * key opens the current item's whole branch,
    // down to kTreeOpenDepthLimit levels.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPersistentModelIndex currentGroup_;
};

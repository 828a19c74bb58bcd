#pragma once

class CZetrovaView;
class GroupPane;
class GroupTreeWidget;
class ItemSearchPane;
class ProportionalSplitter;
class QLabel;
class QMainWindow;

// The controls of the main window: the status line at the bottom; the splitter filling the rest
// with the group pane (title "グループ", close button, group tree) on the left at a quarter of the
// width and, on the right, the item search field above the item list.
struct MainLayout {
    QLabel* statusLine;
    ProportionalSplitter* splitter;
    GroupPane* groupPane;
    GroupTreeWidget* groupTree;
    CZetrovaView* itemList;
    ItemSearchPane* itemSearch;
};

MainLayout BuildMainLayout(QMainWindow& frame);

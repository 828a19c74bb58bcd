#pragma once

class CZetrovaView;
class GroupPane;
class GroupTreeWidget;
class ProportionalSplitter;
class QLabel;
class QMainWindow;

// The controls of the main window: the status line at the bottom; the splitter filling the rest
// with the group pane (title "グループ", close button, group tree) on the left at a quarter of the
// width and the item list on the right.
struct MainLayout {
    QLabel* statusLine;
    ProportionalSplitter* splitter;
    GroupPane* groupPane;
    GroupTreeWidget* groupTree;
    CZetrovaView* itemList;
};

MainLayout BuildMainLayout(QMainWindow& frame);

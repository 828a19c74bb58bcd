#pragma once

#include <QObject>

class QLabel;
class QMenu;

// The status bar's text: "Ready" normally; while a menu is open, the prompt of the highlighted
// item (empty for items without one and for the drop-down itself); "Ready" again once every menu
// has closed.
class MenuPromptTracker : public QObject {
    Q_OBJECT
public:
    explicit MenuPromptTracker(QLabel& line, QObject* parent = nullptr);

    // Follows the highlighting in this menu.
    void watch(QMenu& menu);
    void showReady();

    static QString readyText();

private:
    QLabel& line_;
    int openMenus_ = 0;
};

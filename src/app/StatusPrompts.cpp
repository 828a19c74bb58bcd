#include "app/StatusPrompts.h"

#include <QLabel>
#include <QMenu>

#include "app/MenuBuilder.h"

MenuPromptTracker::MenuPromptTracker(QLabel& line, QObject* parent) : QObject(parent), line_(line) {
    showReady();
}

QString MenuPromptTracker::readyText() {
    return QStringLiteral("Ready");
}

void MenuPromptTracker::showReady() {
    line_.setText(readyText());
}

void MenuPromptTracker::watch(QMenu& menu) {
    connect(&menu, &QMenu::aboutToShow, this, [this] {
        ++openMenus_;
        line_.clear();
    });
    connect(&menu, &QMenu::hovered, this,
            [this](QAction* action) { line_.setText(MenuPrompt(CommandOfAction(action))); });
    connect(&menu, &QMenu::aboutToHide, this, [this] {
        if (openMenus_ > 0) --openMenus_;
        if (openMenus_ == 0) showReady();
    });
}

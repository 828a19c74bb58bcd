#pragma once

#include <QHash>
#include <QList>
#include <functional>
#include <span>

#include "app/MenuTable.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

using CommandSink = std::function<void(int id)>;

struct MainMenus {
    QHash<int, QAction*> actions;  // by command id
    QList<QMenu*> dropDowns;       // in menu-bar order
};

// Builds the main menu into the bar from the table. Every item is a QAction carrying its command id
// as data and sending it to the sink when triggered. Actions with an accelerator are also added to
// keyTarget, so that the key works wherever the keyboard focus lies inside that window.
MainMenus BuildMainMenu(QMenuBar& bar, QWidget& keyTarget, const CommandSink& sink);

// Builds a stand-alone popup menu from a list of entries, e.g. the notification icon's menu.
QMenu* BuildPopupMenu(std::span<const MenuItemEntry> entries, QWidget* parent,
                      const CommandSink& sink);

// The command id an action carries (0 for separators and foreign actions).
int CommandOfAction(const QAction* action);

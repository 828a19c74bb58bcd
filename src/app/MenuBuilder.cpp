#include "app/MenuBuilder.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/CommandIds.h"

namespace {

void AddEntries(QMenu& menu, std::span<const MenuItemEntry> entries, const CommandSink& sink,
                QHash<int, QAction*>* actions, QWidget* keyTarget) {
    for (const MenuItemEntry& entry : entries) {
        if (entry.id == 0) {
            menu.addSeparator();
            continue;
        }
        auto* action = new QAction(QString::fromUtf16(entry.text), &menu);
        action->setData(entry.id);
        // The shortcut's name is part of the text after the tab; the menu shows it from there.
        if (entry.accelerator) {
            action->setShortcut(QKeySequence(QString::fromLatin1(entry.accelerator)));
            action->setShortcutContext(Qt::WindowShortcut);
            if (keyTarget) keyTarget->addAction(action);
        }
        if (entry.id == CommandId::ToggleGroupPane) action->setCheckable(true);
        const int id = entry.id;
        QObject::connect(action, &QAction::triggered, &menu, [sink, id] { sink(id); });
        menu.addAction(action);
        if (actions && !actions->contains(id)) actions->insert(id, action);
    }
}

}  // namespace

MainMenus BuildMainMenu(QMenuBar& bar, QWidget& keyTarget, const CommandSink& sink) {
    MainMenus out;
    for (const MenuEntry& entry : MainMenuTable()) {
        QMenu* menu = bar.addMenu(QString::fromUtf16(entry.title));
        AddEntries(*menu, entry.items, sink, &out.actions, &keyTarget);
        out.dropDowns.append(menu);
    }
    return out;
}

QMenu* BuildPopupMenu(std::span<const MenuItemEntry> entries, QWidget* parent,
                      const CommandSink& sink) {
    auto* menu = new QMenu(parent);
    AddEntries(*menu, entries, sink, nullptr, nullptr);
    return menu;
}

int CommandOfAction(const QAction* action) {
    if (!action || action->isSeparator()) return 0;
    bool ok = false;
    const int id = action->data().toInt(&ok);
    return ok ? id : 0;
}

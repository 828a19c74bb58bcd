#pragma once

#include <QList>
#include <functional>
#include <map>

class QObject;

// Routes command ids to their handlers. The menus, the accelerators, the notification menu and
// the group pane's close button all end here, and every subsystem registers its commands into the
// one table of the main window. A handler receives the control that sent the command (nullptr for
// menus and keys).
class CommandTable {
public:
    using Handler = std::function<void(QObject* sender)>;

    // Registers the handler of a command; a later registration for the same id replaces it.
    void set(int id, Handler handler);
    void remove(int id);
    bool contains(int id) const;
    QList<int> ids() const;

    // Runs the handler of the id. Returns false, doing nothing, for an id without a handler.
    bool dispatch(int id, QObject* sender = nullptr) const;

private:
    std::map<int, Handler> handlers_;
};

// Runs a command's work; an XML engine failure that escapes it is reported ("エラーが起きました",
// caption "エラー", and a log line) and ends only that command.
void RunGuarded(const std::function<void()>& action);
// How many of those runs are under way (nested in each other's dialogs): while any is, the
// document may be in the hands of a command, a check of the data file or a question about it.
int GuardedRunsUnderWay();

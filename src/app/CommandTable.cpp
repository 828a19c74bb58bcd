#include "app/CommandTable.h"

#include "diag/MessageBoxes.h"

void CommandTable::set(int id, Handler handler) {
    if (handler)
        handlers_[id] = std::move(handler);
    else
        handlers_.erase(id);
}

void CommandTable::remove(int id) {
    handlers_.erase(id);
}

bool CommandTable::contains(int id) const {
    return handlers_.count(id) != 0;
}

QList<int> CommandTable::ids() const {
    QList<int> out;
    for (const auto& entry : handlers_) out.append(entry.first);
    return out;
}

bool CommandTable::dispatch(int id, QObject* sender) const {
    const auto it = handlers_.find(id);
    if (it == handlers_.end()) return false;
    // A copy: the handler may register or remove commands while it runs.
    const Handler handler = it->second;
    handler(sender);
    return true;
}

namespace {
int guardedRuns = 0;
}  // namespace

int GuardedRunsUnderWay() {
    return guardedRuns;
}

void RunGuarded(const std::function<void()>& action) {
    struct Count {
        Count() { ++guardedRuns; }
        ~Count() { --guardedRuns; }
    } count;
    try {
        action();
    } catch (const XmlError& error) {
        // An engine failure that the command does not report itself ends the command; the
        // program goes on.
        REPORT_XML_ERROR(error, MessageIcon::Warning);
    }
}

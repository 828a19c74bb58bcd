#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "storage/ui/DocumentLock.h"

class QWidget;
class Workspace;
class Prompter;

// When and how the desktop program locks and unlocks. A lock request is never refused and never
// waits for an answer: every dialog, question box, file dialog and menu of the program is closed as
// cancelled, and until the lock is done every new one is answered at once with Cancel or No (the
// silent prompter). Once no command runs any more, the workspace is locked (LockWorkspace), the
// selected row remembered, the item list emptied and a secret we put on the clipboard cleared;
// locked() then follows. Unlocking asks for the key in the key dialog, as at start-up, and takes
// only a key under which the locked document opens.
class LockController : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // The main window: owner of the key dialog and its notices.
        QWidget* window = nullptr;
        // True while the document may be in use: a command, a check of the data file or a
        // question about it is under way (their dialogs included).
        std::function<bool()> commandRunning;
        // The selected row of the item list, and selecting one.
        std::function<int()> selectedRow;
        std::function<void(int row)> selectRow;
        // Empties the item list.
        std::function<void()> clearList;
        // Clears the clipboard if it still holds a secret we put there.
        std::function<void()> clearSecretClipboard;
    };

    LockController(Workspace& ws, Hooks hooks, QObject* parent = nullptr);
    ~LockController() override;

    bool locked() const { return locked_.locked; }
    // Locked, and the document had unsaved changes.
    bool lockedWithChanges() const { return locked_.locked && locked_.modified; }
    // A lock was asked for and waits for a command to end.
    bool lockPending() const { return pending_; }
    // Until enabled (the end of start-up), requests are ignored: there is nothing to lock yet.
    void setEnabled(bool enabled) { enabled_ = enabled; }

    // Locks, at once or as soon as the running command has ended; while locked, closes whatever
    // dialog is open (an unlock in progress among them).
    void requestLock();
    // Asks for the key and unlocks: true once unlocked (also when not locked), false when the
    // key dialog was cancelled.
    bool unlock();

    // The desktop session ends: unsaved changes of a locked document are kept in the state folder
    // (KeepLockedChanges), for the next start to offer. True when they were written.
    bool keepChangesAtSessionEnd();

    // Closes every dialog, message box, file dialog and menu of the program as cancelled.
    static void CloseEverythingOpen();

signals:
    void lockedChanged(bool locked);

private:
    void tryFinish();
    void finish();
    void restorePrompter();

    Workspace& ws_;
    Hooks hooks_;
    LockedDocument locked_;
    int selectedRow_ = -1;
    bool pending_ = false;
    bool enabled_ = false;
    int retries_ = 0;
    Prompter* heldPrompter_ = nullptr;
};

#pragma once

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <functional>
#include <memory>

#include "app/CommandTable.h"
#include "app/NotifyIcon.h"
#include "app/NotifyRegistration.h"
#include "items/MachinePreferences.h"

class CZetrovaView;
class InputIdleWatch;
class LockController;
class LockedPage;
class SessionLockSignals;
struct FrameParts;
class GroupPane;
class GroupTreeWidget;
class ItemSearchPane;
class ProportionalSplitter;
class QAction;
class QLabel;
class QMenu;
class MenuPromptTracker;
class Workspace;

// The main window: menus, status line, the group tree and the item list side by side, the
// notification icon, and the one command table every command goes through. Closing the window only
// hides it; "終了" ends the program.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // What the frame takes from outside. Left empty, each is the real one.
    struct Services {
        // The notification icon; nullptr: the desktop's system tray.
        std::unique_ptr<NotifyIcon> notifyIcon;
        // Runs the icon registration's retries; empty: a timer.
        NotifyRegistration::Scheduler retryScheduler;
        // Base of the help file; empty: StartDirectory().
        QString startDirectory;
        // The help file used when the start directory has none; empty: the one installed with
        // the program (InstalledHelpFilePath of the executable's folder).
        QString installedHelpFile;
        // Ends the event loop with the exit code; empty: QCoreApplication::exit.
        std::function<void(int code)> quit;
        // Creation steps run around the icon registration, given what the window lends its
        // wiring: readSettings before it (empty: the settings file of the start directory),
        // loadDocument after it (empty: the data file is loaded, after the key, or a new document
        // is made).
        std::function<void(const FrameParts&)> readSettings;
        std::function<void(const FrameParts&)> loadDocument;
        // Clears the clipboard when it still holds a secret we put there (a lock does it); empty:
        // nothing to clear.
        std::function<void()> clearSecretClipboard;
        // The lock's preferences; empty: the preferences file of this machine, whose damage is
        // reported once, at the end of start-up.
        std::function<LockPreferences(bool* damaged)> lockPreferences;
    };

    explicit CMainFrame(Services services = {});
    ~CMainFrame() override;

    // The document, the current group, the marks and the search text, shared by the commands.
    Workspace& workspace() { return *workspace_; }

    // Commands. Every menu item, accelerator, the notification menu and the group pane's close
    // button dispatch here; subsystems register their handlers into commands().
    CommandTable& commands() { return commands_; }
    void dispatchCommand(int id, QObject* sender = nullptr);
    // True while a command runs (its dialogs and questions included).
    bool commandRunning() const { return commandDepth_ > 0; }

    // Controls.
    GroupTreeWidget* groupTree() const { return groupTree_; }
    CZetrovaView* itemList() const { return itemList_; }
    // The item search field above the list, and its results.
    ItemSearchPane* itemSearch() const { return itemSearch_; }
    GroupPane* groupPane() const { return groupPane_; }
    ProportionalSplitter* splitter() const { return splitter_; }
    // The main menu's action of a command id (nullptr for ids without a menu item).
    QAction* menuAction(int id) const { return actions_.value(id); }
    const QList<QMenu*>& dropDownMenus() const { return dropDowns_; }
    QMenu* notifyMenu() const { return notifyMenu_; }
    QString statusText() const;
    // A fixed text on the status line, until a menu next replaces it.
    void showStatus(const QString& text);

    const QString& applicationTitle() const { return title_; }
    const QString& startDirectory() const { return startDirectory_; }
    // The caption "title path" once the data file path is known.
    void setCaptionPath(const QString& dataFilePath);

    // "次の検索(&N)": greyed while there is no search text.
    void setFindNextEnabled(bool enabled);
    bool groupPaneShown() const;

    bool startMinimised() const { return startMinimised_; }
    void setStartMinimised(bool startMinimised) { startMinimised_ = startMinimised; }
    // Shows the window at the end of start-up: shown, or hidden when the start-minimised flag is
    // set (minimised when there is no notification icon to bring it back).
    void showAtStart();

    // The lock: locked, the lock's preferences and the lock itself.
    bool locked() const;
    const LockPreferences& lockPreferences() const { return lockPrefs_; }
    void setLockPreferences(const LockPreferences& preferences);
    LockController& lockController() { return *lock_; }
    LockedPage* lockedPage() const { return lockedPage_; }
    // Where the session's and the sleep's signals arrive (tests send them here too).
    SessionLockSignals* sessionLockSignals() const { return sessionSignals_; }

    bool hasNotifyIcon() const;
    NotifyRegistration& notifyRegistration() { return *registration_; }
    // The notification menu, opened at the cursor (a left press on the icon).
    void popUpNotifyMenu();

    // Close request (caption button, "閉じる"): the save question, then the window hides (or is
    // minimised when there is no notification icon). It is never destroyed.
    void requestClose();
    // "終了": asks the save question, then removes the icon and ends the event loop with code 1.
    // When the user answered Yes and nothing was saved (the Save As dialog cancelled), the program
    // goes on as it was.
    void exitProgram();

signals:
    // The window was shown or became the active window.
    void activated();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // What the window lends its wiring (WireFrame) and the creation steps.
    FrameParts wiringParts();
    void registerShellCommands();
    // The save question; false when the user's Yes saved nothing.
    bool askToSaveChanges();
    void showGroupPane(bool shown);
    // The lock's wiring: the controller, its triggers and the locked page.
    void setUpLock();
    void showLocked(bool locked);
    // Whether a command may run while locked.
    static bool RunsWhileLocked(int id);

    CommandTable commands_;
    Services services_;
    QString title_;
    QString startDirectory_;
    bool startMinimised_ = false;
    bool ended_ = false;
    int commandDepth_ = 0;

    QLabel* statusLine_ = nullptr;
    ProportionalSplitter* splitter_ = nullptr;
    GroupPane* groupPane_ = nullptr;
    GroupTreeWidget* groupTree_ = nullptr;
    CZetrovaView* itemList_ = nullptr;
    ItemSearchPane* itemSearch_ = nullptr;
    QHash<int, QAction*> actions_;
    QList<QMenu*> dropDowns_;
    QMenu* notifyMenu_ = nullptr;
    MenuPromptTracker* prompts_ = nullptr;
    std::unique_ptr<NotifyRegistration> registration_;
    std::unique_ptr<Workspace> workspace_;
    std::unique_ptr<LockController> lock_;
    LockPreferences lockPrefs_;
    InputIdleWatch* idleWatch_ = nullptr;
    SessionLockSignals* sessionSignals_ = nullptr;
    LockedPage* lockedPage_ = nullptr;
    QString captionPath_;
};

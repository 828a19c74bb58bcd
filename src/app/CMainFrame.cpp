#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>

#include "app/AppIdentity.h"
#include "app/CAboutDlg.h"
#include "app/CommandIds.h"
#include "app/FrameWiring.h"
#include "app/GroupPane.h"
#include "app/HelpLauncher.h"
#include "app/LockController.h"
#include "app/LockTriggers.h"
#include "app/LockWidgets.h"
#include "app/MainLayout.h"
#include "app/MenuBuilder.h"
#include "app/NotifyIcon.h"
#include "app/PopupPosition.h"
#include "app/ProgramIcons.h"
#include "app/ProportionalSplitter.h"
#include "app/StartDirectory.h"
#include "app/StatusPrompts.h"
#include "app/TrayNotifyIcon.h"
#include "diag/MessageBoxes.h"
#include "items/ui/CZetrovaView.h"
#include "items/ui/ItemSearchPane.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "storage/ui/DocumentCommands.h"
#include "storage/ui/DocumentLock.h"

CMainFrame::CMainFrame(Services services)
    : services_(std::move(services)), title_(QString::fromUtf16(kApplicationTitle)) {
    startDirectory_ =
        services_.startDirectory.isEmpty() ? StartDirectory() : services_.startDirectory;
    if (services_.installedHelpFile.isEmpty())
        services_.installedHelpFile = InstalledHelpFilePath(QCoreApplication::applicationDirPath());
    if (!services_.quit) services_.quit = [](int code) { QCoreApplication::exit(code); };
    if (!services_.notifyIcon)
        services_.notifyIcon = std::make_unique<TrayNotifyIcon>(ProgramIcon(), title_);

    setWindowTitle(title_);
    setWindowIcon(ProgramIcon());

    const MainLayout layout = BuildMainLayout(*this);
    statusLine_ = layout.statusLine;
    splitter_ = layout.splitter;
    groupPane_ = layout.groupPane;
    groupTree_ = layout.groupTree;
    itemList_ = layout.itemList;
    itemSearch_ = layout.itemSearch;

    const CommandSink sink = [this](int id) { dispatchCommand(id); };
    MainMenus menus = BuildMainMenu(*menuBar(), *this, sink);
    actions_ = std::move(menus.actions);
    dropDowns_ = std::move(menus.dropDowns);
    notifyMenu_ = BuildPopupMenu(NotifyMenuTable(), this, sink);
    prompts_ = new MenuPromptTracker(*statusLine_, this);
    for (QMenu* menu : dropDowns_) prompts_->watch(*menu);
    prompts_->watch(*notifyMenu_);

    connect(groupPane_, &GroupPane::closeClicked, this,
            [this] { dispatchCommand(CommandId::PaneClose, groupPane_); });
    // A right click in the item list copies the selected value, like Ctrl+C.
    connect(itemList_, &CZetrovaView::rightClicked, this,
            [this] { dispatchCommand(CommandId::ClipboardCopy, itemList_); });
    // So do Ctrl+C in the item search field and a right click in its results.
    connect(itemSearch_, &ItemSearchPane::copyRequested, this,
            [this] { dispatchCommand(CommandId::ClipboardCopy, itemSearch_); });
    registerShellCommands();
    workspace_ = std::make_unique<Workspace>(groupTree_, this);
    setUpLock();
    connect(workspace_.get(), &Workspace::dataFilePathChanged, this, &CMainFrame::setCaptionPath);
    connect(workspace_.get(), &Workspace::findNextAvailable, this, &CMainFrame::setFindNextEnabled);
    connect(workspace_.get(), &Workspace::statusMessage, this, &CMainFrame::showStatus);
    const FrameParts parts = wiringParts();
    // Shown or activated: the data file may have changed meanwhile.
    connect(this, &CMainFrame::activated, this, WireFrame(parts));
    if (!services_.readSettings) services_.readSettings = ReadStartupSettings;
    if (!services_.loadDocument) services_.loadDocument = LoadStartupDocument;
    showGroupPane(true);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize area = screen->availableSize();
        resize(std::min(800, area.width() * 3 / 4), std::min(600, area.height() * 3 / 4));
    }

    if (services_.readSettings) services_.readSettings(parts);

    services_.notifyIcon->setLeftPressHandler([this] { popUpNotifyMenu(); });
    registration_ = std::make_unique<NotifyRegistration>(
        *services_.notifyIcon, [this] { requestClose(); }, services_.retryScheduler);
    registration_->start();

    if (services_.loadDocument) services_.loadDocument(parts);
    setFindNextEnabled(false);
}

CMainFrame::~CMainFrame() {
    // The registration's pending retries refer to the icon; both go before the controls.
    registration_.reset();
    if (!ended_) services_.notifyIcon->remove();
}

FrameParts CMainFrame::wiringParts() {
    FrameParts parts;
    parts.workspace = workspace_.get();
    parts.window = this;
    parts.groupTree = groupTree_;
    parts.itemList = itemList_;
    parts.itemSearch = itemSearch_;
    parts.commands = &commands_;
    parts.startDirectory = startDirectory_;
    // Nothing is looked at on disk while locked either.
    parts.commandRunning = [this] { return commandRunning() || locked() || lock_->lockPending(); };
    parts.startMinimised = &startMinimised_;
    return parts;
}

void CMainFrame::registerShellCommands() {
    using namespace CommandId;
    commands_.set(Exit, [this](QObject*) { exitProgram(); });
    commands_.set(FileClose, [this](QObject*) { requestClose(); });
    // The plain show: a minimised window stays minimised and is not brought to the front.
    commands_.set(ShowWindow, [this](QObject*) {
        show();
        // Shown while locked: the key is asked for at once.
        if (locked()) lock_->unlock();
    });
    commands_.set(Help,
                  [this](QObject*) { OpenHelp(startDirectory_, services_.installedHelpFile); });
    commands_.set(About, [this](QObject*) {
        QWidget* owner = QApplication::activeWindow();
        CAboutDlg dialog(owner ? owner : this);
        CurrentPrompter().runDialog(dialog);
    });
    commands_.set(ToggleGroupPane, [this](QObject*) { showGroupPane(!groupPaneShown()); });
    commands_.set(PaneClose, [this](QObject* sender) {
        if (sender == groupPane_) showGroupPane(false);
    });
}

void CMainFrame::dispatchCommand(int id, QObject* sender) {
    if ((locked() || lock_->lockPending()) && !RunsWhileLocked(id)) return;
    // The lock is no command that runs: it waits only for the others.
    if (id == CommandId::Lock) return lock_->requestLock();
    ++commandDepth_;
    RunGuarded([&] { commands_.dispatch(id, sender); });
    --commandDepth_;
}

QString CMainFrame::statusText() const {
    return statusLine_->text();
}

void CMainFrame::showStatus(const QString& text) {
    statusLine_->setText(text);
}

void CMainFrame::setCaptionPath(const QString& dataFilePath) {
    captionPath_ = dataFilePath;
    setWindowTitle(locked() ? FormatText(u"%s %s（ロック中）", {title_, dataFilePath})
                            : FormatText(u"%s %s", {title_, dataFilePath}));
}

void CMainFrame::setFindNextEnabled(bool enabled) {
    if (QAction* action = menuAction(CommandId::GroupFindNext)) action->setEnabled(enabled);
}

bool CMainFrame::groupPaneShown() const {
    return !groupPane_->isHidden();
}

void CMainFrame::showGroupPane(bool shown) {
    groupPane_->setVisible(shown);
    itemSearch_->setVisible(true);
    if (shown) splitter_->applyProportion();
    if (QAction* action = menuAction(CommandId::ToggleGroupPane)) action->setChecked(shown);
}

bool CMainFrame::hasNotifyIcon() const {
    return registration_ && registration_->registered();
}

void CMainFrame::showAtStart() {
    if (!startMinimised_)
        show();
    else if (!hasNotifyIcon())
        showMinimized();
    // From now on there is a document to lock.
    lock_->setEnabled(true);
    // Changes an earlier run kept when the session ended while it was locked.
    RunGuarded([this] { OfferLockedChanges(*workspace_); });
    if (!services_.lockPreferences) {
        bool damaged = false;
        setLockPreferences(ReadLockPreferences(&damaged));
        if (damaged)
            Notice(this, u"設定ファイル%sを読み込めませんでした。ロックの既定値を使います。",
                   MachinePreferencesPath());
    }
}

void CMainFrame::popUpNotifyMenu() {
    notifyMenu_->popup(PopupPositionOnDesktop(QCursor::pos()));
}

bool CMainFrame::askToSaveChanges() {
    // An engine failure on the way saved nothing either.
    bool goOn = false;
    RunGuarded([&] { goOn = AskToSaveChanges(*workspace_); });
    return goOn;
}

void CMainFrame::requestClose() {
    // Locked, there is nothing to ask: the changes stay, encrypted.
    if (!locked()) askToSaveChanges();
    if (hasNotifyIcon()) {
        hide();
        if (lockPrefs_.onHide) lock_->requestLock();
    } else if (isVisible()) {
        // Without an icon a hidden window could not be brought back.
        showMinimized();
    }
}

void CMainFrame::exitProgram() {
    if (ended_) return;
    // Locked with unsaved changes: the key first, then the save question; without the key the
    // program goes on, locked.
    if (lock_->lockedWithChanges() && !lock_->unlock()) return;
    // The user asked to save: the program does not end without it.
    if (!askToSaveChanges()) return;
    // A lock that came while the question was open answered it No: the changes are kept.
    if (lock_->lockPending() || (locked() && lock_->lockedWithChanges())) return;
    ended_ = true;
    registration_->cancel();
    services_.notifyIcon->remove();
    hide();
    services_.quit(1);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (!ended_) requestClose();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) emit activated();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    emit activated();
}

bool CMainFrame::locked() const {
    return lock_ && lock_->locked();
}

bool CMainFrame::RunsWhileLocked(int id) {
    using namespace CommandId;
    switch (id) {
        case Lock:
        case Unlock:
        case LockSettings:
        case Exit:
        case FileClose:
        case ShowWindow:
        case Help:
        case About:
            return true;
        default:
            return false;
    }
}

void CMainFrame::setUpLock() {
    using namespace CommandId;
    LockController::Hooks hooks;
    hooks.window = this;
    // Commands, checks of the data file and the save question at closing all run guarded.
    hooks.commandRunning = [] { return GuardedRunsUnderWay() > 0; };
    hooks.selectedRow = [this] { return itemList_->selectedRow(); };
    hooks.selectRow = [this](int row) {
        if (row < itemList_->rowCount()) itemList_->selectRow(row);
    };
    // The item search's field, results and folded index go with the list.
    hooks.clearList = [this] {
        itemSearch_->clearSearch();
        itemList_->clearRows();
    };
    hooks.clearSecretClipboard = [this] {
        if (services_.clearSecretClipboard) services_.clearSecretClipboard();
    };
    lock_ = std::make_unique<LockController>(*workspace_, std::move(hooks));
    connect(lock_.get(), &LockController::lockedChanged, this, &CMainFrame::showLocked);

    lockedPage_ = new LockedPage(this);
    lockedPage_->hide();
    connect(lockedPage_, &LockedPage::unlockClicked, this, [this] { dispatchCommand(Unlock); });

    idleWatch_ = new InputIdleWatch(this);
    connect(idleWatch_, &InputIdleWatch::idle, this, [this] { lock_->requestLock(); });
    connect(idleWatch_, &InputIdleWatch::lockKey, this, [this] { lock_->requestLock(); });
    sessionSignals_ = new SessionLockSignals(this);
    connect(sessionSignals_, &SessionLockSignals::lockRequested, this, [this] {
        if (lockPrefs_.onSessionLock) lock_->requestLock();
    });

    commands_.set(Lock, [this](QObject*) { lock_->requestLock(); });
    commands_.set(Unlock, [this](QObject*) { lock_->unlock(); });
    commands_.set(LockSettings, [this](QObject*) {
        CLockConfigDlg dialog(this);
        dialog.idleSeconds = lockPrefs_.idleSeconds;
        dialog.onSessionLock = lockPrefs_.onSessionLock;
        dialog.onHide = lockPrefs_.onHide;
        if (CurrentPrompter().runDialog(dialog) != kDialogOk) return;
        LockPreferences chosen;
        chosen.idleSeconds = dialog.idleSeconds;
        chosen.onSessionLock = dialog.onSessionLock;
        chosen.onHide = dialog.onHide;
        setLockPreferences(chosen);
        if (!WriteLockPreferences(chosen))
            Notice(this, u"設定ファイル%sに書き込めませんでした", MachinePreferencesPath());
    });
    if (services_.lockPreferences) setLockPreferences(services_.lockPreferences(nullptr));
    showLocked(false);
    // The session ends (logout, shutdown) while locked with unsaved changes: they are kept, still
    // encrypted, in the state folder; the program cannot ask for the key then.
#ifndef QT_NO_SESSIONMANAGER
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { lock_->keepChangesAtSessionEnd(); });
#endif
    connect(qGuiApp, &QCoreApplication::aboutToQuit, this,
            [this] { lock_->keepChangesAtSessionEnd(); });
}

void CMainFrame::setLockPreferences(const LockPreferences& preferences) {
    lockPrefs_ = preferences;
    idleWatch_->setSeconds(preferences.idleSeconds);
}

void CMainFrame::showLocked(bool isLocked) {
    using namespace CommandId;
    if (isLocked && centralWidget() == splitter_) {
        // The style keeps a copy of the last item it laid out, its text among them, for the next
        // paint: a blank item takes its place.
        // So does the delegate of each view, of the last item it painted: a new one replaces it.
        const QStyleOptionViewItem blank;
        for (QAbstractItemView* view :
             {static_cast<QAbstractItemView*>(groupTree_),
              static_cast<QAbstractItemView*>(itemList_),
              static_cast<QAbstractItemView*>(itemSearch_->resultsView())}) {
            view->style()->subElementRect(QStyle::SE_ItemViewItemText, &blank, view);
            QAbstractItemDelegate* used = view->itemDelegate();
            view->setItemDelegate(new QStyledItemDelegate(view));
            delete used;
        }
        takeCentralWidget();
        splitter_->setParent(this);
        splitter_->hide();
        setCentralWidget(lockedPage_);
        lockedPage_->show();
        lockedPage_->unlockButton()->setFocus();
    } else if (!isLocked && centralWidget() == lockedPage_) {
        takeCentralWidget();
        lockedPage_->setParent(this);
        lockedPage_->hide();
        setCentralWidget(splitter_);
        splitter_->show();
        itemList_->setFocus();
    }
    for (auto it = actions_.cbegin(); it != actions_.cend(); ++it)
        it.value()->setEnabled(!isLocked || RunsWhileLocked(it.key()));
    if (!isLocked) setFindNextEnabled(!workspace_->groupSearch().text.isEmpty());
    for (QAction* action : notifyMenu_->actions()) {
        const int id = CommandOfAction(action);
        if (id == Lock) action->setVisible(!isLocked);
        if (id == Unlock) action->setVisible(isLocked);
    }
    idleWatch_->setRunning(!isLocked);
    if (!captionPath_.isEmpty()) setCaptionPath(captionPath_);
    // Back from the lock: the data file may have changed meanwhile.
    if (!isLocked && isVisible()) emit activated();
}

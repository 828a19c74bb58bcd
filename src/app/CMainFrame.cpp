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
#include <QScreen>

#include "app/AppIdentity.h"
#include "app/CAboutDlg.h"
#include "app/CommandIds.h"
#include "app/FrameWiring.h"
#include "app/GroupPane.h"
#include "app/HelpLauncher.h"
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
#include "model/ui/Workspace.h"
#include "storage/ui/DocumentCommands.h"

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
    parts.commandRunning = [this] { return commandRunning(); };
    parts.startMinimised = &startMinimised_;
    return parts;
}

void CMainFrame::registerShellCommands() {
    using namespace CommandId;
    commands_.set(Exit, [this](QObject*) { exitProgram(); });
    commands_.set(FileClose, [this](QObject*) { requestClose(); });
    // The plain show: a minimised window stays minimised and is not brought to the front.
    commands_.set(ShowWindow, [this](QObject*) { show(); });
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
    setWindowTitle(FormatText(u"%s %s", {title_, dataFilePath}));
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
    askToSaveChanges();
    if (hasNotifyIcon())
        hide();
    else if (isVisible())
        // Without an icon a hidden window could not be brought back.
        showMinimized();
}

void CMainFrame::exitProgram() {
    if (ended_) return;
    // The user asked to save: the program does not end without it.
    if (!askToSaveChanges()) return;
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

#include "app/FrameWiring.h"

#include <QDir>
#include <memory>
#include <utility>

#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/DataFileWatcher.h"
#include "diag/MessageBoxes.h"
#include "items/Settings.h"
#include "items/SyncedFolder.h"
#include "items/ui/CZetrovaView.h"
#include "items/ui/ItemCommands.h"
#include "items/ui/ItemListFill.h"
#include "items/ui/SettingsCommand.h"
#include "model/ui/GroupCommands.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/SearchCommands.h"
#include "model/ui/Workspace.h"
#include "storage/ConflictCopies.h"
#include "storage/DataFile.h"
#include "storage/DataFileLock.h"
#include "storage/SafeFileWrite.h"
#include "storage/SameFile.h"
#include "storage/ui/AskKey.h"
#include "storage/ui/ConflictCopyOffer.h"
#include "storage/ui/DiskChangeMerge.h"
#include "storage/ui/DocumentCommands.h"
#include "storage/ui/ExchangeCommands.h"

namespace {

// The handlers of the "ファイル(&F)" menu and the settings command.
void InstallDocumentCommands(const FrameParts& parts) {
    using namespace CommandId;
    Workspace& ws = *parts.workspace;
    CommandTable& commands = *parts.commands;
    const QString defaultPath = DefaultDataFilePath(parts.startDirectory);
    commands.set(FileNew, [&ws, defaultPath](QObject*) { NewDocumentCommand(ws, defaultPath); });
    commands.set(FileOpen, [&ws](QObject*) { OpenCommand(ws); });
    commands.set(FileSave, [&ws](QObject*) { SaveCommand(ws); });
    commands.set(FileSaveAs, [&ws](QObject*) { SaveAsCommand(ws); });
    commands.set(Settings,
                 [&ws, startDir = parts.startDirectory, flag = parts.startMinimised](QObject*) {
                     // The window's flag changes only once the command has come to its end.
                     bool startMinimised = *flag;
                     SettingsCommand(ws, startDir, startMinimised);
                     *flag = startMinimised;
                 });
}

// The handlers of the "グループ(G)" menu (edit commands and search).
void InstallGroupCommands(const FrameParts& parts) {
    using namespace CommandId;
    Workspace& ws = *parts.workspace;
    CommandTable& commands = *parts.commands;
    commands.set(GroupAdd, [&ws](QObject*) { AddGroupCommand(ws); });
    commands.set(GroupEdit, [&ws](QObject*) { RenameGroupCommand(ws); });
    commands.set(GroupDelete, [&ws](QObject*) { DeleteGroupCommand(ws); });
    commands.set(GroupCopy, [&ws](QObject*) { MarkGroupCommand(ws, false); });
    commands.set(GroupMove, [&ws](QObject*) { MarkGroupCommand(ws, true); });
    commands.set(GroupPaste, [&ws](QObject*) { PasteGroupCommand(ws); });
    commands.set(GroupFind, [&ws](QObject*) { FindGroupCommand(ws); });
    commands.set(GroupFindNext, [&ws](QObject*) { FindNextGroupCommand(ws); });
}

// The handlers of the "項目(&I)" and "クリップボード(&S)" menus, and import and export.
void InstallItemCommands(const FrameParts& parts) {
    using namespace CommandId;
    Workspace& ws = *parts.workspace;
    CommandTable& commands = *parts.commands;
    const CZetrovaView* list = parts.itemList;
    commands.set(ItemAdd, [&ws](QObject*) { AddItemCommand(ws); });
    commands.set(ItemEdit, [&ws, list](QObject*) { ChangeItemCommand(ws, list); });
    commands.set(ItemDelete, [&ws, list](QObject*) { DeleteItemCommand(ws, list); });
    commands.set(ItemCopy, [&ws, list](QObject*) { MarkItemCommand(ws, list, false); });
    commands.set(ItemMove, [&ws, list](QObject*) { MarkItemCommand(ws, list, true); });
    commands.set(ItemPaste, [&ws](QObject*) { PasteItemCommand(ws); });
    // The menu, Ctrl+C and a right click in the list (sent with the list as sender) do the same.
    commands.set(ClipboardCopy, [&ws, list](QObject*) { CopyValueToClipboard(ws, list); });
    const QString settingsFile = SettingsFilePath(parts.startDirectory);
    commands.set(Export, [&ws, settingsFile](QObject*) { ExportCommand(ws, settingsFile); });
    commands.set(Import, [&ws](QObject*) { ImportCommand(ws); });
}

}  // namespace

std::function<void()> WireFrame(const FrameParts& parts) {
    Workspace& ws = *parts.workspace;
    QWidget* window = parts.window;
    CZetrovaView* list = parts.itemList;
    // The item list follows the current group and its items.
    const auto refill = [&ws, list] { RunGuarded([&] { FillItemList(ws, list); }); };
    QObject::connect(&ws, &Workspace::currentGroupChanged, list, refill);
    QObject::connect(&ws, &Workspace::itemsChanged, list, refill);
    ws.SetKeyDialog([&ws, window](QString& verifier, const Workspace::KeyCheck& accept) {
        return accept ? AskKey(QString(), verifier, window, accept)
                      : AskKey(ws.doc().keyVerifier, verifier, window);
    });
    // A key change made elsewhere and taken over: the settings file names the key its data file
    // is under now, as at start-up. Another data file (opened with 開く) leaves it alone.
    QObject::connect(&ws, &Workspace::keyVerifierAdopted, window,
                     [&ws, window, iniPath = SettingsFilePath(parts.startDirectory),
                      startDir = parts.startDirectory](const QString& verifier) {
                         HeldSettings held;
                         if (!ReadSettings(startDir, held) ||
                             !IsSameFile(held.dataFilePath, ws.doc().dataFilePath))
                             return;
                         if (!WriteSettingsKey(iniPath, verifier))
                             Notice(window, kSettingsKeyNotUpdated, iniPath);
                     });

    // The data file changed elsewhere is read again by itself while nothing is unsaved, and a
    // conflict copy a sync tool puts beside it meanwhile (the change that lost, which the reload
    // has just taken out of the window) is offered at once. The copies there when a data file is
    // opened are the opening's to offer.
    auto* watcher = new DataFileWatcher(parts.commandRunning, window);
    auto knownCopies = std::make_shared<QStringList>();
    QObject::connect(&ws, &Workspace::dataFilePathChanged, watcher,
                     [watcher, knownCopies, opened = QString()](const QString& path) mutable {
                         // Also said by a reload of the same file, which opens nothing new.
                         if (path != opened) *knownCopies = FindConflictCopies(path);
                         opened = path;
                         watcher->watch(path);
                     });
    QObject::connect(watcher, &DataFileWatcher::checkNow, window, [&ws, knownCopies] {
        RunGuarded([&] {
            ReloadIfChangedOnDisk(ws);
            OfferNewConflictCopies(
                ws, [&ws] { return SaveCommand(ws); }, *knownCopies);
        });
    });

    // A click, or Return or Space on the highlighted item, makes a group current, and only when
    // it is another one; the arrow keys alone do not.
    const auto choose = [&ws](QTreeWidgetItem* item) {
        if (item != ws.currentGroupItem()) RunGuarded([&] { ws.SetCurrentGroup(item); });
    };
    QObject::connect(parts.groupTree, &GroupTreeWidget::clickedAt, window, choose);
    QObject::connect(parts.groupTree, &GroupTreeWidget::chosenWithKey, window, choose);

    InstallDocumentCommands(parts);
    InstallGroupCommands(parts);
    InstallItemCommands(parts);
    return [watcher] { watcher->poke(); };
}

void ReadStartupSettings(const FrameParts& parts) {
    HeldSettings held;
    ReadSettings(parts.startDirectory, held);
    ApplyStartupSettings(parts, held);
}

void ApplyStartupSettings(const FrameParts& parts, HeldSettings& held) {
    // Once per start: a settings file where a synchronisation tool copies it gives the data
    // file's key to wherever the folder goes.
    NoticeSettingsInSyncedFolder(nullptr, SettingsFilePath(parts.startDirectory), QDir::homePath());
    Workspace& ws = *parts.workspace;
    // Moved, so that the verifier's text has one holder, which wipes it in the end.
    ws.doc().keyVerifier = std::exchange(held.keyVerifier, QString());
    *parts.startMinimised = held.startMinimised;
    ws.SetDataFilePath(held.dataFilePath);
}

void LoadStartupDocument(const FrameParts& parts) {
    Workspace& ws = *parts.workspace;
    QWidget* window = parts.window;
    const QString heldVerifier = ws.doc().keyVerifier;
    const QString path = ws.doc().dataFilePath;
    // A key that opens the data file is its key, also when the settings file names another one or
    // none: the settings command writes the data file under a new key before the settings file,
    // and a crash between the two must not lock the user out. The settings file is then put right.
    const AskKeyFn askKey = [window, heldVerifier, path](QString& verifier) {
        return AskKey(heldVerifier, verifier, window, [&path](const QString& candidate) {
            return DataFileOpensUnder(path, candidate);
        });
    };
    const QString iniPath = SettingsFilePath(parts.startDirectory);
    if (!LoadAtStartup(ws, DefaultDataFilePath(parts.startDirectory), askKey) ||
        ws.doc().keyVerifier == heldVerifier)
        return;
    // Under the data file's writers' lock, and only while the data file still opens under the
    // key taken: a key change another writer made meanwhile is not undone.
    DataFileLock lock(path);
    SafeWriteResult written;
    const bool opens = lock.held() && DataFileOpensUnder(path, ws.doc().keyVerifier);
    if (opens && WriteSettingsKey(iniPath, ws.doc().keyVerifier, &written)) return;
    lock.release();
    if (written.replaced())
        NoticeWriteProblem(window, iniPath, written);  // in place, but not confirmed
    else
        Notice(window, kSettingsKeyNotUpdated, iniPath);
}

bool StartupSettingsReadable(const QString& startDir, HeldSettings* read) {
    HeldSettings held;
    QString problem;
    if (ReadSettings(startDir, read ? *read : held, &problem)) return true;
    Notice(nullptr, kSettingsUnreadable, SettingsFilePath(startDir), problem);
    return false;
}

#include "app/DocumentWiring.h"

#include <utility>

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/DataFileWatcher.h"
#include "diag/MessageBoxes.h"
#include "items/Settings.h"
#include "items/ui/CZetrovaView.h"
#include "items/ui/ItemListFill.h"
#include "items/ui/SettingsCommand.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "storage/DataFile.h"
#include "storage/ui/AskKey.h"
#include "storage/ui/DiskChangeMerge.h"
#include "storage/ui/DocumentCommands.h"

void InstallDocumentRound(CMainFrame& frame, Workspace& ws) {
    CZetrovaView* list = frame.itemList();
    // The item list follows the current group and its items.
    const auto refill = [&ws, list] { RunGuarded([&] { FillItemList(ws, list); }); };
    QObject::connect(&ws, &Workspace::currentGroupChanged, list, refill);
    QObject::connect(&ws, &Workspace::itemsChanged, list, refill);
    QObject::connect(&ws, &Workspace::dataFilePathChanged, &frame, &CMainFrame::setCaptionPath);
    QObject::connect(&ws, &Workspace::findNextAvailable, &frame, &CMainFrame::setFindNextEnabled);
    QObject::connect(&ws, &Workspace::statusMessage, &frame, &CMainFrame::showStatus);
    ws.setKeyDialog(
        [&ws, &frame](QString& verifier) { return AskKey(ws.doc.keyVerifier, verifier, &frame); });

    // The data file changed elsewhere is read again by itself while nothing is unsaved.
    auto* watcher = new DataFileWatcher([&frame] { return frame.commandRunning(); }, &frame);
    QObject::connect(&ws, &Workspace::dataFilePathChanged, watcher, &DataFileWatcher::watch);
    QObject::connect(&frame, &CMainFrame::activated, watcher, &DataFileWatcher::poke);
    QObject::connect(watcher, &DataFileWatcher::checkNow, &frame,
                     [&ws] { RunGuarded([&] { ReloadIfChangedOnDisk(ws); }); });

    // A click, or Return or Space on the highlighted item, makes a group current, and only when
    // it is another one; the arrow keys alone do not.
    const auto choose = [&ws](QTreeWidgetItem* item) {
        if (item != ws.currentGroupItem()) RunGuarded([&] { ws.setCurrentGroup(item); });
    };
    QObject::connect(frame.groupTree(), &GroupTreeWidget::clickedAt, &frame, choose);
    QObject::connect(frame.groupTree(), &GroupTreeWidget::chosenWithKey, &frame, choose);

    using namespace CommandId;
    CommandTable& commands = frame.commands();
    const QString defaultPath = DefaultDataFilePath(frame.startDirectory());
    commands.set(FileNew, [&ws, defaultPath](QObject*) { NewDocumentCommand(ws, defaultPath); });
    commands.set(FileOpen, [&ws](QObject*) { OpenCommand(ws); });
    commands.set(FileSave, [&ws](QObject*) { SaveCommand(ws); });
    commands.set(FileSaveAs, [&ws](QObject*) { SaveAsCommand(ws); });
    commands.set(Settings, [&ws, &frame](QObject*) {
        bool startMinimised = frame.startMinimised();
        SettingsCommand(ws, frame.startDirectory(), startMinimised);
        frame.setStartMinimised(startMinimised);
    });
    InstallGroupCommands(frame, ws);
    InstallItemCommands(frame, ws);
}

void ReadStartupSettings(CMainFrame& frame) {
    HeldSettings held;
    ReadSettings(frame.startDirectory(), held);
    ApplyStartupSettings(frame, held);
}

void ApplyStartupSettings(CMainFrame& frame, HeldSettings& held) {
    Workspace& ws = frame.workspace();
    // Moved, so that the verifier's text has one holder, which wipes it in the end.
    ws.doc.keyVerifier = std::exchange(held.keyVerifier, QString());
    frame.setStartMinimised(held.startMinimised);
    ws.setDataFilePath(held.dataFilePath);
}

void LoadStartupDocument(CMainFrame& frame) {
    Workspace& ws = frame.workspace();
    const QString heldVerifier = ws.doc.keyVerifier;
    const QString path = ws.doc.dataFilePath;
    // A key that opens the data file is its key, also when the settings file names another one or
    // none: the settings command writes the data file under a new key before the settings file,
    // and a crash between the two must not lock the user out. The settings file is then put right.
    const AskKeyFn askKey = [&frame, heldVerifier, path](QString& verifier) {
        return AskKey(heldVerifier, verifier, &frame, [&path](const QString& candidate) {
            return DataFileOpensUnder(path, candidate);
        });
    };
    const QString iniPath = SettingsFilePath(frame.startDirectory());
    if (LoadAtStartup(ws, DefaultDataFilePath(frame.startDirectory()), askKey) &&
        ws.doc.keyVerifier != heldVerifier && !WriteSettingsKey(iniPath, ws.doc.keyVerifier))
        Notice(&frame, kSettingsKeyNotUpdated, iniPath);
}

bool StartupSettingsReadable(const QString& startDir, HeldSettings* read) {
    HeldSettings held;
    QString problem;
    if (ReadSettings(startDir, read ? *read : held, &problem)) return true;
    Notice(nullptr, kSettingsUnreadable, SettingsFilePath(startDir), problem);
    return false;
}

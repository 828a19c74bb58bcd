#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/DocumentWiring.h"
#include "items/Settings.h"
#include "items/ui/ItemCommands.h"
#include "model/ui/Workspace.h"
#include "storage/ui/ExchangeCommands.h"

void InstallItemCommands(CMainFrame& frame, Workspace& ws) {
    using namespace CommandId;
    CommandTable& commands = frame.commands();
    const CZetrovaView* list = frame.itemList();
    commands.set(ItemAdd, [&ws](QObject*) { AddItemCommand(ws); });
    commands.set(ItemEdit, [&ws, list](QObject*) { ChangeItemCommand(ws, list); });
    commands.set(ItemDelete, [&ws, list](QObject*) { DeleteItemCommand(ws, list); });
    commands.set(ItemCopy, [&ws, list](QObject*) { MarkItemCommand(ws, list, false); });
    commands.set(ItemMove, [&ws, list](QObject*) { MarkItemCommand(ws, list, true); });
    commands.set(ItemPaste, [&ws](QObject*) { PasteItemCommand(ws); });
    // The menu, Ctrl+C and a right click in the list (sent with the list as sender) do the same.
    commands.set(ClipboardCopy, [&ws, list](QObject*) { CopyValueToClipboard(ws, list); });
    const QString settingsFile = SettingsFilePath(frame.startDirectory());
    commands.set(Export, [&ws, settingsFile](QObject*) { ExportCommand(ws, settingsFile); });
    commands.set(Import, [&ws](QObject*) { ImportCommand(ws); });
}

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/DocumentWiring.h"
#include "model/ui/GroupCommands.h"
#include "model/ui/SearchCommands.h"
#include "model/ui/Workspace.h"

void InstallGroupCommands(CMainFrame& frame, Workspace& ws) {
    using namespace CommandId;
    CommandTable& commands = frame.commands();
    commands.set(GroupAdd, [&ws](QObject*) { AddGroupCommand(ws); });
    commands.set(GroupEdit, [&ws](QObject*) { RenameGroupCommand(ws); });
    commands.set(GroupDelete, [&ws](QObject*) { DeleteGroupCommand(ws); });
    commands.set(GroupCopy, [&ws](QObject*) { MarkGroupCommand(ws, false); });
    commands.set(GroupMove, [&ws](QObject*) { MarkGroupCommand(ws, true); });
    commands.set(GroupPaste, [&ws](QObject*) { PasteGroupCommand(ws); });
    commands.set(GroupFind, [&ws](QObject*) { FindGroupCommand(ws); });
    commands.set(GroupFindNext, [&ws](QObject*) { FindNextGroupCommand(ws); });
}

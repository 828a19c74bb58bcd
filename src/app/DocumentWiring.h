#pragma once

class CMainFrame;
class Workspace;

// Connects the workspace to the main window: the tree click, the item list, the key dialog, the
// caption, the save question, and the handlers of the document, settings, group, item, search and
// exchange commands.
void InstallDocumentRound(CMainFrame& frame, Workspace& ws);

// Start-up steps: the settings file of the start directory, then the data file (or a new document).
void ReadStartupSettings(CMainFrame& frame);
void LoadStartupDocument(CMainFrame& frame);

// The handlers of the "グループ(G)" menu (edit commands and search).
void InstallGroupCommands(CMainFrame& frame, Workspace& ws);
// The handlers of the "項目(&I)" and "クリップボード(&S)" menus, and import and export.
void InstallItemCommands(CMainFrame& frame, Workspace& ws);

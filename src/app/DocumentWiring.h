#pragma once

#include <QString>

class CMainFrame;
struct HeldSettings;
class Workspace;

// Connects the workspace to the main window: the tree click, the item list, the key dialog, the
// caption, the save question, and the handlers of the document, settings, group, item, search and
// exchange commands.
void InstallDocumentRound(CMainFrame& frame, Workspace& ws);

// Start-up steps: the settings file of the start directory, then the data file (or a new document).
void ReadStartupSettings(CMainFrame& frame);
// The settings step with settings already read (StartupSettingsReadable): held is moved into the
// window and left without its verifier.
void ApplyStartupSettings(CMainFrame& frame, HeldSettings& held);
void LoadStartupDocument(CMainFrame& frame);

// Before the main window: false, after the notice "設定ファイル%sを読み込めませんでした（%s）",
// when the settings file of startDir exists but cannot be read. The program then stops: its
// defaults would open another data file, or none, under no key. With read, what was read is put
// there (ReadSettings), for the window to start with without reading the file again.
bool StartupSettingsReadable(const QString& startDir, HeldSettings* read = nullptr);

// The handlers of the "グループ(G)" menu (edit commands and search).
void InstallGroupCommands(CMainFrame& frame, Workspace& ws);
// The handlers of the "項目(&I)" and "クリップボード(&S)" menus, and import and export.
void InstallItemCommands(CMainFrame& frame, Workspace& ws);

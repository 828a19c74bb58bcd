#pragma once

class QString;
class Workspace;

// The document commands of the "ファイル(&F)" menu and the start-up load, on the main window's
// workspace. Notices and questions go to the workspace's owner.

// Start-up: loads the data file of the held path (asking for the key when it exists) and fills the
// tree; when that fails, a new document.
void LoadAtStartup(Workspace& ws, const QString& defaultDataFilePath);

// "新規作成(&N)": saves unsaved changes first (asking for the key), then a new document with only
// the root group, at the default data file path. When that save fails the document is kept.
void NewDocumentCommand(Workspace& ws, const QString& defaultDataFilePath);

// "開く(&O)": the save question when modified, a file-open dialog, then the chosen file is loaded.
void OpenCommand(Workspace& ws);

// "保存(&S)": saves to the data file path after the key.
void SaveCommand(Workspace& ws);

// "別名で保存(&A)": a copy under another name; path, title and modified flag stay.
void SaveAsCommand(Workspace& ws);

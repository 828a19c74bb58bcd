#pragma once

#include "storage/DataFile.h"

class QObject;
class QString;
class Workspace;

// The document commands of the "ファイル(&F)" menu and the start-up load, on the main window's
// workspace. Notices and questions go to the workspace's owner. Every replacement of the document
// goes through the workspace (Workspace::ReplaceDocument).

// Start-up: loads the data file of the held path (asking for the key when it exists, through
// askKey when given, else the workspace's key dialog) and fills the tree, then offers the sync
// tools' conflict copies beside it; when the load fails, a new document. True when the data file
// was loaded.
bool LoadAtStartup(Workspace& ws, const QString& defaultDataFilePath, const AskKeyFn& askKey = {});

// "新規作成(&N)": saves unsaved changes first (asking for the key), then a new document with only
// the root group, at the default data file path. When that save fails or is declined the document
// is kept.
void NewDocumentCommand(Workspace& ws, const QString& defaultDataFilePath);

// "開く(&O)": the save question when modified, a file-open dialog, then the chosen file is loaded
// and its conflict copies are offered. Yes to the question and nothing saved (the Save As dialog
// cancelled, the save failed) ends the command with the document as it was.
void OpenCommand(Workspace& ws);

// "保存(&S)": saves to the data file path after the key. A data file changed on disk since it was
// loaded or saved, or one never loaded, is replaced only after the question (CheckDataFileOnDisk,
// which may merge it in first); declined, the file and the modified flag stay. True when saved.
bool SaveCommand(Workspace& ws);

// "別名で保存(&A)": a copy under another name; path, title and modified flag stay. The data file
// itself, when chosen, is replaced only as Save replaces it. True when the copy was written.
bool SaveAsCommand(Workspace& ws);

// The question before the window hides, the program ends or another file is opened: "データが変更
// されています。保存しますか？" when there are unsaved changes; Yes runs Save As. False only when
// the user answered Yes and nothing was saved (the Save As dialog cancelled, the save failed).
bool AskToSaveChanges(Workspace& ws);

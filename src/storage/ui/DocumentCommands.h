#pragma once

#include "DataFile.h"

class QObject;
class QString;
class Workspace;

// The document commands of the "ファイル(&F)" menu and the start-up load, on the main window's
// workspace. Notices and questions go to the workspace's owner.

// Before the document is written to path: true when nothing there can be lost
// (DataFileChangeOnDisk gives None). Otherwise the question, naming the file, whose default answer
// is No: "%sは読み込みまたは保存の後にほかで変更されています。上書きしますか？" for a data file
// changed by someone else, "%sには読み込んでいないデータがあります。上書きしますか？" for a file
// never loaded; true only for Yes.
bool MayOverwriteDataFile(const DocumentState& state, const QString& path, QObject* owner);

// Start-up: loads the data file of the held path (asking for the key when it exists, through
// askKey when given, else the workspace's key dialog) and fills the tree; when that fails, a new
// document. True when the data file was loaded.
bool LoadAtStartup(Workspace& ws, const QString& defaultDataFilePath, const AskKeyFn& askKey = {});

// "新規作成(&N)": saves unsaved changes first (asking for the key), then a new document with only
// the root group, at the default data file path. When that save fails or is declined the document
// is kept.
void NewDocumentCommand(Workspace& ws, const QString& defaultDataFilePath);

// "開く(&O)": the save question when modified, a file-open dialog, then the chosen file is loaded.
void OpenCommand(Workspace& ws);

// "保存(&S)": saves to the data file path after the key. A data file changed on disk since it was
// loaded or saved, or one never loaded, is replaced only after the question; No keeps the file
// and the modified flag.
void SaveCommand(Workspace& ws);

// "別名で保存(&A)": a copy under another name; path, title and modified flag stay. The data file
// itself, when chosen, is replaced only as Save replaces it.
void SaveAsCommand(Workspace& ws);

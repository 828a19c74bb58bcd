#pragma once

#include "diag/Prompter.h"

class Workspace;

// The plain XML commands of the "ファイル(&F)" menu. Neither touches the data file.

// The file dialog of both commands: "XMLファイル (*.xml)" and "すべてのファイル (*.*)", extension
// "xml", no initial name.
FileDialogRequest XmlFileDialogRequest();

// "エクスポート(&E)": after the key (never a file dialog before it), the whole document goes to the
// chosen file as Shift_JIS XML, secrets in clear. The modified flag is not touched. The data
// file, the settings file at settingsFile and the program's log are never written over
// (RefuseExportOntoProgramFile).
void ExportCommand(Workspace& ws, const QString& settingsFile);

// "インポート(&I)": the chosen XML file replaces the document, without a question about unsaved
// changes. On success the tree is rebuilt, the marks are forgotten and the document is marked
// modified; on failure the previous document, the tree, the list and the marks stay as they were.
void ImportCommand(Workspace& ws);

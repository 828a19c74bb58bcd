#pragma once

#include <QString>

// The help page: "help/index.html" below the start directory, else the installed copy, opened with
// the desktop's default program. Failures are reported as the codes of the error table (below 32;
// 0 is success).
namespace HelpError {
inline constexpr int FileNotFound = 2;
inline constexpr int PathNotFound = 3;
inline constexpr int AccessDenied = 5;
inline constexpr int OutOfMemory = 8;
inline constexpr int ShareViolation = 26;
inline constexpr int AssociationIncomplete = 27;
// The desktop refused to open the document (no program for it).
inline constexpr int NoAssociation = 31;
}  // namespace HelpError

QString HelpFilePath(const QString& startDirectory);

// The help page installed with the program, found from the executable's folder so that any
// installation prefix works: <folder>/../share/zetrova/help/index.html.
QString InstalledHelpFilePath(const QString& executableFolder);

// Whether a document can be handed to the desktop: 0 when it is a readable file, 3 when its folder
// is missing, 2 when the file is missing, 5 when it exists but is no regular file or cannot be
// read. Never opens anything that could block (pipes, devices).
int CheckDocumentReadable(const QString& path);

// The format of the notice for a failure code; the code is its argument.
const char16_t* HelpErrorFormat(int code);

// The help command: checks the help file of the start directory, falls back to installedHelpFile
// (when given) if that one cannot be read, asks the prompter to open the file and shows the notice
// of the table (caption "通知", no owner) when that fails. When neither file can be read the notice
// is the one for the start directory's file. Returns the code (0 on success).
int OpenHelp(const QString& startDirectory, const QString& installedHelpFile = {});

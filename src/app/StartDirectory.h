#pragma once

#include <QString>

#include "app/ProgramOptions.h"

// The start directory, the folder the settings file, the default data file and the help file are
// looked for in, and the folder chosen on the command line that becomes it: that folder is made
// and entered (EnterFolder) before the start directory is first asked for.

// The process's working directory, captured at the first call and never updated. It is not the
// executable's folder.
const QString& StartDirectory();

// The per-user data folder: $XDG_DATA_HOME/zetrova, or home/.local/share/zetrova when
// XDG_DATA_HOME is unset, empty or not an absolute path (the XDG base directory rules).
QString PerUserDataFolder(const QString& xdgDataHome, const QString& home);

// The folder the program's files live in, as an absolute path: the folder named on the command
// line (relative to currentFolder; a leading "~/" is the home folder), the per-user data folder,
// or currentFolder itself.
QString ChosenFolder(const ProgramOptions& options, const QString& currentFolder,
                     const QString& xdgDataHome, const QString& home);

// Makes the folder and any missing parent with mode 0700, so that nobody else can list or enter
// it; an existing folder keeps its mode. False when it is not a folder and cannot be made one.
bool MakePrivateFolder(const QString& path);

// Makes the folder (MakePrivateFolder) and enters it as the process's working directory, so that
// the start directory and every relative path (a bare DATA name, the file dialogs) are that
// folder. False when it cannot be made or entered.
bool EnterFolder(const QString& folder);

#pragma once

#include <QString>
#include <functional>

#include "items/Settings.h"

class Workspace;

// Writes DATA, KEY and ONTASKBAR to the settings file of the start directory (WriteSettingsFile):
// true when written and confirmed, else false with how the write went in result.
using SettingsFileWriter =
    std::function<bool(const QString& startDir, const QString& dataFilePath,
                       const QString& verifier, bool startMinimised, SafeWriteResult* result)>;

// "設定(&C)": the settings dialog; with a key typed, the document is saved under the new key to
// the named data file (after the question when that file holds data the program did not load or
// write), and then the settings file is written. The data file comes first, so that a failure or
// a crash at any moment leaves a data file that opens: with the old key when nothing was written
// yet (or another file was named), with the new one otherwise (start-up takes a key that opens the
// data file and puts it into the settings file). Both are written under the data file's writers'
// lock, taken only once the dialog and every question are done. Once the data file is written the
// held settings are the new ones, as the data file is; a settings file that cannot be written then
// gives "書き込めませんでした" (or the writer's notice: not confirmed by the disk, a refused link).
void SettingsCommand(Workspace& ws, const QString& startDirectory, bool& startMinimised,
                     const SettingsFileWriter& writeSettingsFile = WriteSettingsFile);

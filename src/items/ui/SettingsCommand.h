#pragma once

#include <QString>

class Workspace;

// "設定(&C)": the settings dialog; with a key typed, the document is saved under the new key to
// the named data file and then the settings file is written. The held settings (data file path,
// key verifier, start-minimised flag) change only when both succeeded: if the settings file
// cannot be written, the data file is put back as it was, so that the data file and the settings
// file never disagree about the key.
void SettingsCommand(Workspace& ws, const QString& startDirectory, bool& startMinimised);

#pragma once

#include <QString>
#include <QVariant>

// The per-machine preferences: $XDG_CONFIG_HOME/zetrova/zetrova.conf (else
// ~/.config/zetrova/zetrova.conf), an ini file of sections such as [Versions]. They belong to this
// machine, unlike Zetrova.ini, which may travel with the data file.

// The preferences file's path; empty when neither XDG_CONFIG_HOME nor HOME is absolute.
QString MachinePreferencesPath();

// The value of key in section, or fallback when the file, the section or the key is missing.
QVariant ReadMachinePreference(const QString& section, const QString& key,
                               const QVariant& fallback);

#pragma once

#include <QString>
#include <QVariant>

// Preferences of this machine and user, kept apart from the settings file Zetrova.ini (which may
// travel with the data file to another machine): $XDG_CONFIG_HOME/zetrova/zetrova.conf, by default
// ~/.config/zetrova/zetrova.conf, an ini file of sections, readable by its owner only.

// The file's path.
QString MachinePreferencesPath();

// The value of key in section, or fallback when the file, the section or the key is missing, or
// when the file cannot be read as an ini file.
QVariant ReadMachinePreference(const QString& section, const QString& key,
                               const QVariant& fallback);

// Whether the file exists but cannot be read as an ini file (a missing file is no fault).
bool MachinePreferencesDamaged();

// Replaces section by the given keys and values (in this order), keeping every other section as
// it stands, through the crash-safe writer; the folder is made when missing. False when nothing
// was written.
bool WriteMachinePreferences(const QString& section, const QList<QPair<QString, QString>>& values);

// The lock's preferences, section [Lock].
struct LockPreferences {
    static constexpr int kDefaultIdleSeconds = 600;
    static constexpr int kMaxIdleSeconds = 7 * 24 * 3600;
    // Locks after this long without keyboard or mouse input; 0: never.
    int idleSeconds = kDefaultIdleSeconds;
    // Locks when the desktop session locks or the machine goes to sleep.
    bool onSessionLock = true;
    // Locks when the window is hidden to the notification area.
    bool onHide = false;
};
// The lock's preferences; with damaged, whether the file or one of the values could not be read
// (the defaults stand in for what was unreadable).
LockPreferences ReadLockPreferences(bool* damaged = nullptr);
bool WriteLockPreferences(const LockPreferences& preferences);

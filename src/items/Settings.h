#pragma once

#include <QString>

class QObject;

// The three values that outlive a run, as the main window holds them.
struct HeldSettings {
    QString dataFilePath;
    QString keyVerifier;  // empty: no key is set
    bool startMinimised = false;
};

// The settings file lives in the start directory (not beside the executable), as does the
// default data file.
QString SettingsFilePath(const QString& startDir);
QString DefaultDataFilePath(const QString& startDir);

// Reads section CONFIG of the settings file into held:
// - DATA: the data file path exactly as read; empty or missing gives DefaultDataFilePath.
// - KEY: a non-empty value replaces the held verifier; otherwise the held verifier stays.
// - ONTASKBAR: only the value "1" sets the start-minimised flag; anything else clears it.
// A missing or unreadable file gives these defaults. The caller sets the window caption from
// held.dataFilePath afterwards.
void ReadSettings(const QString& startDir, HeldSettings& held);

// The same for a settings file at any path; an empty DATA gives defaultDataFilePath.
void ReadSettingsFile(const QString& iniPath, const QString& defaultDataFilePath,
                      HeldSettings& held);

// The parts of WriteSettings, for callers that want their own order (e.g. write the file only
// once the document has been saved, and keep the held settings when the file cannot be written):

// Shows the notice "暗号化キーが設定されていません" (owner may be nullptr) and returns false when
// the verifier is empty; returns true otherwise.
bool CheckKeyVerifierSet(QObject* owner, const QString& verifier);

// Writes DATA, KEY and ONTASKBAR ("1" or "0") to section CONFIG of the settings file in one safe
// save, keeping everything else in the file. Returns whether the file was written; on false the
// file keeps its old contents. Changes nothing held and shows nothing.
bool WriteSettingsFile(const QString& startDir, const QString& dataFilePath,
                       const QString& verifier, bool startMinimised);
// The same for a settings file at any path.
bool WriteSettingsFileAt(const QString& iniPath, const QString& dataFilePath,
                         const QString& verifier, bool startMinimised);

// Writes verifier as KEY to section CONFIG of the settings file at iniPath, keeping everything else
// in the file (a missing file is created with that one value). For a data file that opened under a
// key the settings file did not name: the settings file then names it again. Returns whether the
// file was written; shows nothing.
bool WriteSettingsKey(const QString& iniPath, const QString& verifier);

// Makes the given values the held settings.
void UpdateHeldSettings(HeldSettings& held, const QString& dataFilePath, const QString& verifier,
                        bool startMinimised);

enum class WriteSettingsResult {
    NoKey,           // empty verifier: notice shown, nothing held or written changed
    Written,         // held settings updated and the file written
    FileNotWritten,  // held settings updated, but the file could not be written (old file kept)
};

// The settings command's write: CheckKeyVerifierSet, then UpdateHeldSettings, then
// WriteSettingsFile. The caller sets the caption from held.dataFilePath unless the result is
// NoKey. Showing nothing when the file cannot be written is left to the caller.
WriteSettingsResult WriteSettings(const QString& startDir, HeldSettings& held,
                                  const QString& dataFilePath, const QString& verifier,
                                  bool startMinimised, QObject* owner = nullptr);

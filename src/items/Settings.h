#pragma once

#include <QString>

#include "diag/SecureWipe.h"
#include "storage/SafeFileWrite.h"

class QObject;

// The three values that outlive a run, as the main window holds them.
struct HeldSettings {
    QString dataFilePath;
    QString keyVerifier;  // empty: no key is set
    bool startMinimised = false;

    // The verifier is the data file's key: whichever holder of its text goes last wipes it.
    ~HeldSettings() { WipeOwnCopy(keyVerifier); }
};

// The settings file lives in the start directory (not beside the executable), as does the
// default data file.
QString SettingsFilePath(const QString& startDir);
QString DefaultDataFilePath(const QString& startDir);

// Reads section CONFIG of the settings file into held:
// - DATA: the data file path exactly as read; empty or missing gives DefaultDataFilePath.
// - KEY: a non-empty value replaces the held verifier; otherwise the held verifier stays.
// - ONTASKBAR: only the value "1" sets the start-minimised flag; anything else clears it.
// A missing file gives these defaults. A file that exists but cannot be read (no permission, an
// I/O error, not a regular file, too large, a planted link) gives false, held unchanged and, in
// problem when given, why (ReadProblemText): its defaults would stand for another data file and
// no key, so the caller says so (kSettingsUnreadable) and stops. The caller sets the window
// caption from held.dataFilePath afterwards.
bool ReadSettings(const QString& startDir, HeldSettings& held, QString* problem = nullptr);

// The same for a settings file at any path; an empty DATA gives defaultDataFilePath.
bool ReadSettingsFile(const QString& iniPath, const QString& defaultDataFilePath,
                      HeldSettings& held, QString* problem = nullptr);

// The message for a settings file that cannot be read: its path and why.
inline constexpr char16_t kSettingsUnreadable[] = u"設定ファイル%sを読み込めませんでした（%s）";

// The message for a start-up that took a key because it opens the data file but could not write
// its verifier to KEY (a read-only or undecodable settings file): the settings file's path.
inline constexpr char16_t kSettingsKeyNotUpdated[] = u"設定ファイル%sのKEYを更新できませんでした";

// The parts of WriteSettings, for callers that want their own order (e.g. write the file only
// once the document has been saved, and keep the held settings when the file cannot be written):

// Shows the notice "暗号化キーが設定されていません" (owner may be nullptr) and returns false when
// the verifier is empty; returns true otherwise.
bool CheckKeyVerifierSet(QObject* owner, const QString& verifier);

// Writes DATA, KEY and ONTASKBAR ("1" or "0") to section CONFIG of the settings file in one safe
// save, keeping everything else in the file. Returns whether the file was written and the disk
// confirmed it; on false result (when given) says how the write went: nothing written (the file
// keeps its old contents), or NotFlushed (the new file is in place, unconfirmed), for the caller
// to say (NoticeWriteProblem). Changes nothing held and shows nothing.
bool WriteSettingsFile(const QString& startDir, const QString& dataFilePath,
                       const QString& verifier, bool startMinimised,
                       SafeWriteResult* result = nullptr);
// The same for a settings file at any path.
bool WriteSettingsFileAt(const QString& iniPath, const QString& dataFilePath,
                         const QString& verifier, bool startMinimised,
                         SafeWriteResult* result = nullptr);

// Writes verifier as KEY to section CONFIG of the settings file at iniPath, keeping everything else
// in the file (a missing file is created with that one value). For a data file that opened under a
// key the settings file did not name: the settings file then names it again. Returns whether the
// file was written and confirmed, result as above; shows nothing.
bool WriteSettingsKey(const QString& iniPath, const QString& verifier,
                      SafeWriteResult* result = nullptr);

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

#include "cli/CliDataFile.h"

#include <QDir>
#include <QFileInfo>

#include "cli/CliError.h"
#include "cli/CliEscape.h"
#include "cli/CliInput.h"
#include "diag/FormatText.h"
#include "diag/SecureWipe.h"
#include "items/Settings.h"
#include "items/SyncedFolder.h"
#include "storage/DataFile.h"
#include "storage/DataFileLock.h"
#include "storage/KeyVerifier.h"
#include "storage/SafeFileWrite.h"
#include "storage/SameFile.h"

namespace {

const QString kIniOption = QStringLiteral("ini");
const QString kDataOption = QStringLiteral("data");
constexpr char16_t kChangedSinceRead[] =
    u"%sは読み込みの後にほかで変更されています。書き込みませんでした";

// Whether a key may be taken because it opens the data file: only the settings file's own one,
// whose key the settings file is meant to name.
bool MayTakeKeyOfDataFile(const CliDataFiles& files) {
    return files.dataFromSettings && QFileInfo(files.dataPath).size() > 0;
}

// Whether there is a key to check a typed one against: the settings file can be read and names
// one, or its data file may give it; false after the reason.
bool KeyKnown(const CliDataFiles& files, CliIo& io) {
    if (SettingsUnreadable(files, io)) return false;
    if (!files.verifier.isEmpty() || MayTakeKeyOfDataFile(files)) return true;
    CliError(io, QStringLiteral("暗号化キーが設定されていません"));
    return false;
}

}  // namespace

bool SettingsUnreadable(const CliDataFiles& files, CliIo& io) {
    if (files.settingsProblem.isEmpty()) return false;
    CliError(io, FormatText(kSettingsUnreadable,
                            {EscapeLine(files.iniPath), EscapeLine(files.settingsProblem)}));
    return true;
}

void AddDataFileOptions(QCommandLineParser& parser) {
    parser.addOption({kIniOption, QStringLiteral("Settings file (default: Zetrova.ini here)."),
                      QStringLiteral("PATH")});
    parser.addOption({kDataOption,
                      QStringLiteral("Data file (default: DATA of the settings file, else "
                                     "Zetrova.dat here)."),
                      QStringLiteral("PATH")});
}

CliDataFiles ResolveDataFiles(const QCommandLineParser& parser) {
    CliDataFiles files;
    files.iniPath = parser.isSet(kIniOption)
                        ? parser.value(kIniOption)
                        : QDir::current().filePath(QStringLiteral("Zetrova.ini"));
    // Read as the desktop program reads its settings; a relative DATA is taken from the settings
    // file's folder.
    HeldSettings held;
    ReadSettingsFile(files.iniPath, QDir::current().filePath(QStringLiteral("Zetrova.dat")), held,
                     &files.settingsProblem);
    files.verifier = held.keyVerifier;
    files.startMinimised = held.startMinimised;
    const QString settingsData = QFileInfo(files.iniPath).dir().filePath(held.dataFilePath);
    files.dataPath = parser.isSet(kDataOption) ? parser.value(kDataOption) : settingsData;
    files.dataFromSettings = IsSameFile(files.dataPath, settingsData);
    // The settings file opens the data file: kept where a synchronisation tool copies it, it goes
    // wherever the data file goes. Said at every run, on the error stream.
    NoticeSettingsInSyncedFolder(nullptr, files.iniPath, QDir::homePath());
    return files;
}

namespace {

// Reads the key and tells its verifier when it is the data file's key: KEY, or the key the
// settings file's own data file opens under. Nothing is written.
std::optional<QString> ReadKeyVerifier(const CliDataFiles& files, CliIo& io) {
    if (!KeyKnown(files, io)) return std::nullopt;
    std::optional<QString> key = ReadTypedKey(io);
    if (!key) return std::nullopt;
    QString typed = MakeKeyVerifier(*key);
    Wipe(*key);
    if (typed == files.verifier ||
        (MayTakeKeyOfDataFile(files) && DataFileOpensUnder(files.dataPath, typed)))
        return typed;
    Wipe(typed);
    CliError(io, QStringLiteral("キーが違います"));
    return std::nullopt;
}

// Takes the key of verifier typed as the files stand now: the settings file is read again, since
// a key change may have come after the command read it. A key other than KEY opens the settings
// file's own data file, and KEY is then made to name it; this is checked and written under the
// data file's writers' lock (taken here when the command does not hold it), so that no key change
// comes in between and is undone.
bool AcceptKey(const CliDataFiles& files, CliIo& io, const QString& typed) {
    HeldSettings now;
    QString problem;
    ReadSettingsFile(files.iniPath, files.dataPath, now, &problem);
    const WipeOwnCopyOnExit wipeKey(now.keyVerifier);
    if (!problem.isEmpty()) {
        CliError(io,
                 FormatText(kSettingsUnreadable, {EscapeLine(files.iniPath), EscapeLine(problem)}));
        return false;
    }
    if (typed == now.keyVerifier) return true;
    if (!MayTakeKeyOfDataFile(files)) {
        CliError(io, QStringLiteral("キーが違います"));
        return false;
    }
    const DataFileLock lock(files.dataPath);
    if (!lock.held()) {
        NoticeLockProblem(nullptr, files.dataPath, lock);
        return false;
    }
    if (!DataFileOpensUnder(files.dataPath, typed)) {
        CliError(io, QStringLiteral("キーが違います"));
        return false;
    }
    SafeWriteResult written;
    if (!WriteSettingsKey(files.iniPath, typed, &written)) {
        if (written.replaced())  // in place, but not confirmed by the disk
            NoticeWriteProblem(nullptr, files.iniPath, written);
        else
            CliError(io, FormatText(kSettingsKeyNotUpdated, {EscapeLine(files.iniPath)}));
    }
    return true;
}

// Loads the data file under the key: the verifier typed when the key was read already, else the
// key is read when there is a file to open.
bool Load(const CliDataFiles& files, CliIo& io, DocumentState& state,
          const std::optional<QString>& typed) {
    const int messagesBefore = io.messagesWritten;
    bool asked = false;
    state.keyVerifier = files.verifier;
    const AskKeyFn askKey = [&](QString& verifier) {
        asked = true;
        if (!typed) return CheckKey(files, io, verifier);
        verifier = *typed;
        return true;
    };
    if (LoadDataFile(state, files.dataPath, askKey)) return true;
    // The desktop program starts a new document without a word when the file is missing,
    // unreadable or empty; here that is a failure worth naming.
    if (!asked && io.messagesWritten == messagesBefore)
        CliError(io, FormatText(u"%sを読み込めませんでした", {EscapeLine(files.dataPath)}));
    return false;
}

}  // namespace

bool CheckKey(const CliDataFiles& files, CliIo& io, QString& verifier) {
    std::optional<QString> typed = ReadKeyVerifier(files, io);
    if (!typed || !AcceptKey(files, io, *typed)) {
        if (typed) Wipe(*typed);
        return false;
    }
    verifier = *typed;
    return true;
}

bool LockAfterKey(const CliDataFiles& files, CliIo& io, DataFileLock& lock, QString& verifier,
                  const std::function<bool()>& afterKey) {
    std::optional<QString> typed = ReadKeyVerifier(files, io);
    if (!typed) return false;
    const WipeOwnCopyOnExit wipeTyped(*typed);
    if (afterKey && !afterKey()) return false;
    lock = DataFileLock(files.dataPath);
    if (!lock.held()) {
        NoticeLockProblem(nullptr, files.dataPath, lock);
        return false;
    }
    if (!AcceptKey(files, io, *typed)) return false;
    verifier = *typed;
    return true;
}

bool LoadDataFileForCli(const CliDataFiles& files, CliIo& io, DocumentState& state) {
    return KeyKnown(files, io) && Load(files, io, state, std::nullopt);
}

bool LoadDataFileToChange(const CliDataFiles& files, CliIo& io, DocumentState& state,
                          DataFileLock& lock, const std::function<bool()>& afterKey) {
    if (!KeyKnown(files, io)) return false;
    const QFileInfo there(files.dataPath);
    if (!there.isFile() || there.size() == 0) {
        // Nothing to open: said as the load says it, without asking for the key. A file that
        // came meanwhile was loaded without the lock, and is not written.
        if (Load(files, io, state, std::nullopt))
            CliError(io, FormatText(kChangedSinceRead, {EscapeLine(files.dataPath)}));
        return false;
    }
    QString verifier;
    const WipeOwnCopyOnExit wipeVerifier(verifier);
    if (!LockAfterKey(files, io, lock, verifier, afterKey) || !Load(files, io, state, verifier))
        return false;
    if (io.afterRead) io.afterRead();
    return true;
}

bool SaveDataFileForCli(const CliDataFiles& files, DocumentState& state, CliIo& io) {
    state.dataFilePath = files.dataPath;
    bool changed = false;
    const auto stillAsRead = [&] {
        changed = DataFileChangeOnDisk(state, files.dataPath) != DiskChange::None;
        return !changed;
    };
    if (SaveDataFile(state, files.dataPath, false, nullptr, nullptr, stillAsRead)) return true;
    if (changed) CliError(io, FormatText(kChangedSinceRead, {EscapeLine(files.dataPath)}));
    return false;
}

int ChangeDataFile(const CliDataFiles& files, CliIo& io,
                   const std::function<ChangeResult(DocumentState&)>& change) {
    return ChangeDataFile(files, io, {}, change);
}

int ChangeDataFile(const CliDataFiles& files, CliIo& io, const std::function<bool()>& afterKey,
                   const std::function<ChangeResult(DocumentState&)>& change) {
    DocumentState state;
    DataFileLock lock;
    if (!LoadDataFileToChange(files, io, state, lock, afterKey)) return kExitFailed;
    switch (change(state)) {
        case ChangeResult::Refused:
            return kExitFailed;
        case ChangeResult::Unchanged:
            return kExitOk;
        case ChangeResult::Changed:
            break;
    }
    return SaveDataFileForCli(files, state, io) ? kExitOk : kExitFailed;
}

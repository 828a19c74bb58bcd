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
#include "storage/KeyVerifier.h"
#include "storage/SafeFileWrite.h"
#include "storage/SameFile.h"

namespace {

const QString kIniOption = QStringLiteral("ini");
const QString kDataOption = QStringLiteral("data");

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

bool CheckKey(const CliDataFiles& files, CliIo& io, QString& verifier) {
    if (!KeyKnown(files, io)) return false;
    const bool mayTakeKeyOfDataFile = MayTakeKeyOfDataFile(files);
    std::optional<QString> key = ReadTypedKey(io);
    if (!key) return false;
    QString typed = MakeKeyVerifier(*key);
    Wipe(*key);
    if (typed != files.verifier) {
        if (!mayTakeKeyOfDataFile || !DataFileOpensUnder(files.dataPath, typed)) {
            Wipe(typed);
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
    }
    verifier = typed;
    return true;
}

bool LoadDataFileForCli(const CliDataFiles& files, CliIo& io, DocumentState& state) {
    if (!KeyKnown(files, io)) return false;
    const int messagesBefore = io.messagesWritten;
    bool asked = false;
    state.keyVerifier = files.verifier;
    const AskKeyFn askKey = [&](QString& verifier) {
        asked = true;
        return CheckKey(files, io, verifier);
    };
    if (LoadDataFile(state, files.dataPath, askKey)) return true;
    // The desktop program starts a new document without a word when the file is missing,
    // unreadable or empty; here that is a failure worth naming.
    if (!asked && io.messagesWritten == messagesBefore)
        CliError(io, FormatText(u"%sを読み込めませんでした", {EscapeLine(files.dataPath)}));
    return false;
}

bool SaveDataFileForCli(const CliDataFiles& files, DocumentState& state, CliIo& io) {
    state.dataFilePath = files.dataPath;
    bool changed = false;
    const auto stillAsRead = [&] {
        changed = DataFileChangeOnDisk(state, files.dataPath) != DiskChange::None;
        return !changed;
    };
    if (SaveDataFile(state, files.dataPath, false, nullptr, nullptr, stillAsRead)) return true;
    if (changed)
        CliError(io, FormatText(u"%sは読み込みの後にほかで変更されています。書き込みませんでした",
                                {EscapeLine(files.dataPath)}));
    return false;
}

int ChangeDataFile(const CliDataFiles& files, CliIo& io,
                   const std::function<ChangeResult(DocumentState&)>& change) {
    DocumentState state;
    if (!LoadDataFileForCli(files, io, state)) return kExitFailed;
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

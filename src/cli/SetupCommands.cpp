// init and passwd: making the settings file and the data file, and changing the key.
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "cli/CliCommandList.h"
#include "cli/CliDataFile.h"
#include "cli/CliEscape.h"
#include "cli/CliInput.h"
#include "diag/FormatText.h"
#include "diag/SecureWipe.h"
#include "items/Settings.h"
#include "items/SyncedFolder.h"
#include "storage/DataFile.h"
#include "storage/DataFileLock.h"
#include "storage/SafeFileWrite.h"

namespace {

const QString kAllowSyncedOption = QStringLiteral("allow-synced-settings");

// init refused inside a synchronised folder: the settings file and the tool's marker.
constexpr char16_t kInitInSyncedFolder[] =
    u"%sは同期ツールが管理するフォルダーの中にあるため（%s）、設定ファイルを作りませんでした。"
    u"設定ファイルのKEYはデータファイルの暗号化キーそのもので、キーなしでデータファイルを開けます。"
    u"設定ファイルは同期しないフォルダーに置き（--ini）、--dataで同期フォルダーのデータファイルを"
    u"指してください（それでもここに作るときは--allow-synced-settings）";

// passwd of a data file the settings file does not name: the file and the settings file.
constexpr char16_t kNotTheSettingsDataFile[] =
    u"%sは設定ファイル%sのDATAが指すデータファイルではないため、キーを変更しませんでした"
    u"（変更すると設定ファイルのKEYと合わず、どのキーでも開けなくなります。そのファイルを"
    u"DATAに持つ設定ファイルを--iniで指定してください）";

// Writes the settings file after the data file has been written under verifier: DATA, KEY and
// ONTASKBAR as the settings command writes them. When the settings file already names that data
// file only KEY changes, so that a DATA written by hand (a relative one) stays as it was. When it
// was not written and confirmed, the writer's notice ("書き込めませんでした", or the file in place
// but not confirmed by the disk); the caller says what that leaves.
SafeWriteResult WriteSettingsFor(const CliDataFiles& files, const QString& verifier) {
    SafeWriteResult result;
    if (files.dataFromSettings && !files.verifier.isEmpty())
        WriteSettingsKey(files.iniPath, verifier, &result);
    else
        WriteSettingsFileAt(files.iniPath, QFileInfo(files.dataPath).absoluteFilePath(), verifier,
                            files.startMinimised, &result);
    NoticeWriteProblem(nullptr, files.iniPath, result);
    return result;
}

int RunInit(const QCommandLineParser& parser, CliIo& io) {
    if (!NoArguments(parser, io, "init", KeysRead::Several)) return kExitUsage;
    const CliDataFiles files = ResolveDataFiles(parser);
    // An unreadable settings file may well have a KEY: it is never replaced.
    if (SettingsUnreadable(files, io)) return kExitFailed;
    if (!files.verifier.isEmpty()) {
        CliError(io, FormatText(u"%s already has a KEY; nothing was changed (passwd changes the "
                                u"key)",
                                {EscapeLine(files.iniPath)}));
        return kExitFailed;
    }
    if (QFileInfo::exists(files.dataPath) || QFileInfo(files.dataPath).isSymLink()) {
        CliError(io, FormatText(u"%s already exists; nothing was changed",
                                {EscapeLine(files.dataPath)}));
        return kExitFailed;
    }
    // Its KEY would open the data file wherever the folder is copied to.
    const QString marker = SyncToolMarkerAbove(files.iniPath, QDir::homePath());
    if (!marker.isEmpty() && !parser.isSet(kAllowSyncedOption)) {
        CliError(io, FormatText(kInitInSyncedFolder,
                                {EscapeLine(QFileInfo(files.iniPath).absoluteFilePath()),
                                 EscapeLine(marker)}));
        return kExitFailed;
    }
    std::optional<QString> verifier = ReadNewKeyVerifier(io);
    if (!verifier) return kExitFailed;
    // Both files are written under the data file's writers' lock.
    const DataFileLock lock(files.dataPath);
    if (!lock.held()) {
        NoticeLockProblem(nullptr, files.dataPath, lock);
        Wipe(*verifier);
        return kExitFailed;
    }
    // A new document as 新規作成 makes it, written before the settings file names its key: a
    // failure in between leaves a data file that the next command opens with that key.
    DocumentState state;
    if (!CreateRootDocument(state)) return kExitFailed;
    state.keyVerifier = *verifier;
    const bool saved = SaveDataFileForCli(files, state, io);
    const SafeWriteResult settings = saved ? WriteSettingsFor(files, *verifier) : SafeWriteResult();
    const bool named = settings.status == SafeWriteResult::Status::Written;
    Wipe(*verifier);
    if (saved && !settings.replaced()) {
        // No settings file names the new data file's key, so no command could open it, and init
        // refuses a data file that is there: it goes again, unless something else replaced it.
        const bool removed = DataFileChangeOnDisk(state, files.dataPath) == DiskChange::None &&
                             QFile::remove(files.dataPath);
        CliError(io, FormatText(removed ? u"the settings file %s was not written; the new data "
                                          u"file %s was removed again"
                                        : u"the settings file %s was not written; the new data "
                                          u"file %s is left",
                                {EscapeLine(files.iniPath), EscapeLine(files.dataPath)}));
    }
    return named ? kExitOk : kExitFailed;
}

int RunPasswd(const QCommandLineParser& parser, CliIo& io) {
    if (!NoArguments(parser, io, "passwd", KeysRead::Several)) return kExitUsage;
    const CliDataFiles files = ResolveDataFiles(parser);
    // Only the settings file's own data file: another one under the new key would be opened by
    // no key at all, since KEY goes on naming the old one and a key is taken from a data file
    // only when the settings file names it.
    if (!files.dataFromSettings) {
        CliError(io, FormatText(kNotTheSettingsDataFile,
                                {EscapeLine(files.dataPath), EscapeLine(files.iniPath)}));
        return kExitFailed;
    }
    DocumentState state;
    // The new key is read after the current one and before the lock; the data file and then the
    // settings file are written under the lock, so that no other writer comes between them.
    std::optional<QString> verifier;
    const auto readNewKey = [&] {
        verifier = ReadNewKeyVerifier(io);
        return verifier.has_value();
    };
    DataFileLock lock;
    if (!LoadDataFileToChange(files, io, state, lock, readNewKey)) {
        if (verifier) Wipe(*verifier);
        return kExitFailed;
    }
    // The settings command's order: the data file under the new key first, then the settings
    // file. A crash in between leaves a data file that opens with the new key, and the next
    // command given that key writes it into the settings file.
    WipeOwnCopy(state.keyVerifier);
    state.keyVerifier = *verifier;
    const bool saved = SaveDataFileForCli(files, state, io);
    const SafeWriteResult settings = saved ? WriteSettingsFor(files, *verifier) : SafeWriteResult();
    const bool changed = settings.status == SafeWriteResult::Status::Written;
    Wipe(*verifier);
    if (saved && !settings.replaced())
        CliError(io, FormatText(u"the data file is under the new key, the settings file %s is not; "
                                u"the next command given the new key puts it right",
                                {EscapeLine(files.iniPath)}));
    return changed ? kExitOk : kExitFailed;
}

void DataFileOptions(QCommandLineParser& parser) {
    AddDataFileOptions(parser);
}

void InitOptions(QCommandLineParser& parser) {
    AddDataFileOptions(parser);
    parser.addOption(
        {kAllowSyncedOption,
         QStringLiteral("Make the settings file even inside a folder a "
                        "synchronisation tool copies (its KEY opens the data file).")});
}

}  // namespace

CliCommand InitCommand() {
    return {"init", "init [--ini PATH] [--data PATH] [--allow-synced-settings]",
            "Make a new data file and the settings file naming it and its key (the new key is "
            "asked for twice); refused when either is there already, or when the settings file "
            "would lie in a synchronised folder.",
            InitOptions, RunInit};
}

CliCommand PasswdCommand() {
    return {"passwd", "passwd [--ini PATH] [--data PATH]",
            "Change the key: the current key, then the new one twice; the data file is written "
            "under the new key, then the settings file.",
            DataFileOptions, RunPasswd};
}

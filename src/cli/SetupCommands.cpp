// init and passwd: making the settings file and the data file, and changing the key.
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>

#include "cli/CliCommandList.h"
#include "cli/CliDataFile.h"
#include "cli/CliEscape.h"
#include "cli/CliInput.h"
#include "diag/FormatText.h"
#include "diag/SecureWipe.h"
#include "items/Settings.h"
#include "storage/DataFile.h"
#include "storage/DataFileLock.h"
#include "storage/DataFileVersions.h"

namespace {

// Writes the settings file after the data file has been written under verifier: DATA, KEY and
// ONTASKBAR as the settings command writes them. When the settings file already names that data
// file only KEY changes, so that a DATA written by hand (a relative one) stays as it was.
// "書き込めませんでした" when it fails; the caller says what that leaves.
bool WriteSettingsFor(const CliDataFiles& files, const QString& verifier, CliIo& io) {
    const bool written =
        files.dataFromSettings && !files.verifier.isEmpty()
            ? WriteSettingsKey(files.iniPath, verifier)
            : WriteSettingsFileAt(files.iniPath, QFileInfo(files.dataPath).absoluteFilePath(),
                                  verifier, files.startMinimised);
    if (!written) CliError(io, QStringLiteral("書き込めませんでした"));
    return written;
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
    const bool named = saved && WriteSettingsFor(files, *verifier, io);
    Wipe(*verifier);
    if (saved && !named) {
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
    // The kept versions follow the key: the save writes them again under the new one, the
    // version of the file it replaces included (see NoteKeyChange).
    NoteKeyChange(files.dataPath, state.keyVerifier, *verifier, CurrentVersionPolicy());
    WipeOwnCopy(state.keyVerifier);
    state.keyVerifier = *verifier;
    // A data file named by --data alone is not the settings file's: only it changes its key, and
    // the settings file goes on naming its own data file under its own key.
    const bool saved = SaveDataFileForCli(files, state, io);
    const bool changed =
        saved && (!files.dataFromSettings || WriteSettingsFor(files, *verifier, io));
    Wipe(*verifier);
    if (saved && !changed)
        CliError(io, FormatText(u"the data file is under the new key, the settings file %s is not; "
                                u"the next command given the new key puts it right",
                                {EscapeLine(files.iniPath)}));
    return changed ? kExitOk : kExitFailed;
}

void DataFileOptions(QCommandLineParser& parser) {
    AddDataFileOptions(parser);
}

}  // namespace

CliCommand InitCommand() {
    return {"init", "init [--ini PATH] [--data PATH]",
            "Make a new data file and the settings file naming it and its key (the new key is "
            "asked for twice); refused when either is there already.",
            DataFileOptions, RunInit};
}

CliCommand PasswdCommand() {
    return {"passwd", "passwd [--ini PATH] [--data PATH]",
            "Change the key: the current key, then the new one twice; the data file is written "
            "under the new key, then the settings file.",
            DataFileOptions, RunPasswd};
}

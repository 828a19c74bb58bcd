#pragma once

#include <QCommandLineParser>
#include <QString>
#include <functional>

#include "cli/CliIo.h"
#include "model/DocumentState.h"
#include "storage/DataFileLock.h"

// The settings file and the data file a data command works on, the key check in front of them,
// and the one load, change and save of the changing commands, shared by the data commands of
// zetrova-cli.

struct CliDataFiles {
    QString iniPath;  // --ini, else Zetrova.ini in the current folder
    QString
        dataPath;  // --data, else the settings file's DATA, else Zetrova.dat in the current folder
    QString verifier;  // the settings file's KEY as the desktop program reads it; empty: none
    bool startMinimised = false;  // the settings file's ONTASKBAR, kept when the file is written
    // The data file is the one the settings file names (no --data, or --data naming that file).
    bool dataFromSettings = true;
    // Why the settings file could not be read, when it exists but cannot be: the key check and
    // the load then refuse with kSettingsUnreadable, since its defaults would name other files.
    QString settingsProblem;

    // The verifier is the data file's key: whichever holder of its text goes last wipes it.
    ~CliDataFiles() { WipeOwnCopy(verifier); }
};

// Adds --ini PATH and --data PATH.
void AddDataFileOptions(QCommandLineParser& parser);

// Reads the settings file named by the options. A relative DATA is taken from the settings
// file's folder, where the desktop program started from that folder would find it. A settings
// file inside a folder a synchronisation tool copies is named on the error stream
// (kSettingsInSyncedFolder).
CliDataFiles ResolveDataFiles(const QCommandLineParser& parser);

// Whether the settings file exists but could not be read (files.settingsProblem); it is then
// said so. Nothing may then be written on the settings file's defaults.
bool SettingsUnreadable(const CliDataFiles& files, CliIo& io);

// Reads the key and checks it. On failure writes the reason (kSettingsUnreadable,
// "暗号化キーが設定されていません", "キーを入力してください" or "キーが違います") and returns
// false. As at the desktop program's start-up, a key that opens the settings file's own data file
// is taken as well, whatever verifier the settings file holds, and the settings file's KEY is put
// right (kSettingsKeyNotUpdated when it cannot be; the key is still taken), under the data file's
// writers' lock: a settings change that crashed between writing the data file and the settings
// file leaves exactly that. The key is not read at all when no verifier is held and there is no
// such data file to open.
bool CheckKey(const CliDataFiles& files, CliIo& io, QString& verifier);

// For a command that changes the data file: reads the key and refuses a wrong one, then what the
// command reads from the user after the key (afterKey, false to stop), then takes the data file's
// writers' lock into lock (NoticeLockProblem when another writer keeps it) and checks the key
// again as the files stand under it (CheckKey). Whatever is typed comes before the lock, so a
// person typing at a terminal never keeps other writers waiting. The caller holds the lock until
// its save is done.
bool LockAfterKey(const CliDataFiles& files, CliIo& io, DataFileLock& lock, QString& verifier,
                  const std::function<bool()>& afterKey = {});

// Checks the key and loads the data file into state, as the desktop program does at start-up.
// On failure the reason has been written to the error stream and false is returned.
bool LoadDataFileForCli(const CliDataFiles& files, CliIo& io, DocumentState& state);

// The same for a command that changes the data file: the key, afterKey and the lock as
// LockAfterKey takes them, then the load under the lock, held by the caller until its save is
// done, so that no other writer changes the file between this read and that write. A data file
// that is not there (or is empty) is reported as LoadDataFileForCli reports it, without the key.
bool LoadDataFileToChange(const CliDataFiles& files, CliIo& io, DocumentState& state,
                          DataFileLock& lock, const std::function<bool()>& afterKey = {});

// Writes the document of state to the data file (files.dataPath, through the crash-safe writer),
// but only while that file still holds what the command read: the bytes of state.dataFileStamp,
// or no file (or an empty one) when the stamp is unknown. This is checked right before the new
// file replaces the old one. When someone else changed the file meanwhile, nothing is written,
// the reason goes to the error stream and false is returned; so it does for a failed save.
// Every command that replaces the data file saves through here.
bool SaveDataFileForCli(const CliDataFiles& files, DocumentState& state, CliIo& io);

// What a change did to the document.
enum class ChangeResult {
    Refused,    // the reason has been written; nothing is saved
    Unchanged,  // nothing to do (e.g. mkdir --parents of a group that exists); nothing is saved
    Changed,    // the document is to be saved
};

// One change of the data file: loads it after the key, runs change on the loaded document and,
// when it changed something, saves it once (SaveDataFileForCli), all under the data file's
// writers' lock (LoadDataFileToChange; afterKey reads what the command takes from the user).
// Returns the exit status.
int ChangeDataFile(const CliDataFiles& files, CliIo& io,
                   const std::function<ChangeResult(DocumentState&)>& change);
int ChangeDataFile(const CliDataFiles& files, CliIo& io, const std::function<bool()>& afterKey,
                   const std::function<ChangeResult(DocumentState&)>& change);

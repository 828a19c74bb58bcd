#pragma once

#include <QCommandLineParser>
#include <QString>
#include <functional>

#include "cli/CliIo.h"
#include "model/DocumentState.h"

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

// Reads the key and checks it against the held verifier. On failure writes the reason
// (kSettingsUnreadable, "暗号化キーが設定されていません", "キーを入力してください" or
// "キーが違います") and returns false. As at the desktop program's start-up, a key that opens the
// settings file's own data file is taken as well, whatever verifier the settings file holds, and
// the settings file's KEY is put right (kSettingsKeyNotUpdated when it cannot be; the key is still
// taken): a settings change that crashed between writing the data file and the settings file leaves
// exactly that. The key is not read at all when no verifier is held and there is no such data file
// to open.
bool CheckKey(const CliDataFiles& files, CliIo& io, QString& verifier);

// Checks the key and loads the data file into state, as the desktop program does at start-up.
// On failure the reason has been written to the error stream and false is returned.
bool LoadDataFileForCli(const CliDataFiles& files, CliIo& io, DocumentState& state);

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
// when it changed something, saves it once (SaveDataFileForCli). Returns the exit status.
int ChangeDataFile(const CliDataFiles& files, CliIo& io,
                   const std::function<ChangeResult(DocumentState&)>& change);

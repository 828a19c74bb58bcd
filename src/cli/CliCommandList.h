#pragma once

#include <QCommandLineParser>
#include <vector>

#include "cli/CliError.h"
#include "cli/CliIo.h"

// One subcommand of zetrova-cli.
struct CliCommand {
    const char* name;
    const char* synopsis;  // shown in the usage, e.g. "passgen N"
    const char* summary;
    void (*configure)(QCommandLineParser& parser);
    int (*run)(const QCommandLineParser& parser, CliIo& io);
};

const std::vector<CliCommand>& CliCommandList();

// The commands, each defined beside its implementation.
CliCommand VerifierCommand();
CliCommand PassgenCommand();
CliCommand ExportCommand();
CliCommand ImportCommand();
CliCommand LsCommand();
CliCommand ShowCommand();
CliCommand ClipCommand();
CliCommand FindCommand();
CliCommand SearchCommand();
CliCommand MergeCommand();
CliCommand InitCommand();
CliCommand MkdirCommand();
CliCommand AddCommand();
CliCommand EditCommand();
CliCommand RmCommand();
CliCommand RmdirCommand();
CliCommand MvCommand();
CliCommand PasswdCommand();
CliCommand VersionsCommand();
CliCommand DiffCommand();
CliCommand RestoreCommand();

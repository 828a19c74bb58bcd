#pragma once

#include <QCommandLineParser>
#include <vector>

#include "CliIo.h"

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

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
CliCommand MergeCommand();

// Writes "zetrova-cli: <message>" and a line break to the error stream. A user's text enters the
// message escaped (EscapeLine); control characters left in it are escaped here (EscapeControls).
void CliError(CliIo& io, const QString& message);

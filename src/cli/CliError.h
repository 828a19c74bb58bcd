#pragma once

#include <QString>

#include "cli/CliIo.h"

// Exit statuses of zetrova-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // not found, refused, or failed: the reason is written
inline constexpr int kExitUsage = 2;   // the command line itself is wrong

class QCommandLineParser;

// Writes "zetrova-cli: <message>" and a line break to the error stream. A user's text enters the
// message escaped (EscapeLine); control characters left in it are escaped here (EscapeControls).
void CliError(CliIo& io, const QString& message);

// How many keys a command that takes no arguments reads.
enum class KeysRead { One, Several };

// For a command that reads only keys: true when it was given no arguments, else false after
// "<command> takes no arguments; keys are (the key is) read from the terminal or standard input".
bool NoArguments(const QCommandLineParser& parser, CliIo& io, const char* command, KeysRead keys);

#pragma once

#include <QString>

#include "CliIo.h"

// Exit statuses of zetrova-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // not found, refused, or failed: the reason is written
inline constexpr int kExitUsage = 2;   // the command line itself is wrong

// Writes "zetrova-cli: <message>" and a line break to the error stream. A user's text enters the
// message escaped (EscapeLine); control characters left in it are escaped here (EscapeControls).
void CliError(CliIo& io, const QString& message);

#pragma once

#include <QStringList>

#include "cli/CliIo.h"

// Runs one invocation of zetrova-cli: args are the arguments after the program name. Returns the
// exit status (0 success, 1 not found or refused, 2 usage error).
int RunCli(const QStringList& args, CliIo& io);

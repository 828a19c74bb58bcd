#include "CliCommandList.h"

const std::vector<CliCommand>& CliCommandList() {
    static const std::vector<CliCommand> commands = {
        VerifierCommand(),
        PassgenCommand(),
        ExportCommand(),
        ImportCommand(),
        LsCommand(),
        ShowCommand(),
        ClipCommand(),
        FindCommand(),
    };
    return commands;
}

void CliError(CliIo& io, const QString& message) {
    io.err << "zetrova-cli: " << message << "\n";
    io.err.flush();
}

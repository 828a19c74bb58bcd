#include "CliCommandList.h"

#include "CliEscape.h"

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
        MergeCommand(),
    };
    return commands;
}

void CliError(CliIo& io, const QString& message) {
    // The user texts in it are escaped where it was formatted; anything left that could drive the
    // terminal is escaped here.
    io.err << "zetrova-cli: " << EscapeControls(message) << "\n";
    io.err.flush();
}

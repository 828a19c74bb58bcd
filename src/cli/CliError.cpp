#include "cli/CliError.h"

#include <QCommandLineParser>

#include "cli/CliEscape.h"

void CliError(CliIo& io, const QString& message) {
    ++io.messagesWritten;
    // The user texts in it are escaped where it was formatted; anything left that could drive the
    // terminal is escaped here.
    io.err << "zetrova-cli: " << EscapeControls(message) << "\n";
    io.err.flush();
}

bool NoArguments(const QCommandLineParser& parser, CliIo& io, const char* command, KeysRead keys) {
    if (parser.positionalArguments().isEmpty()) return true;
    CliError(io,
             QStringLiteral("%1 takes no arguments; %2 read from the terminal or standard input")
                 .arg(QLatin1String(command), keys == KeysRead::One ? QLatin1String("the key is")
                                                                    : QLatin1String("keys are")));
    return false;
}

#include "CliError.h"

#include "CliEscape.h"

void CliError(CliIo& io, const QString& message) {
    ++io.messagesWritten;
    // The user texts in it are escaped where it was formatted; anything left that could drive the
    // terminal is escaped here.
    io.err << "zetrova-cli: " << EscapeControls(message) << "\n";
    io.err.flush();
}

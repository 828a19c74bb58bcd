#include "cli/CliPrompter.h"

#include "cli/CliError.h"
#include "cli/CliEscape.h"

int CliPrompter::messageBox(QObject*, MessageIcon icon, const QString&, const QString& text) {
    // The shared code's fixed texts hold no backslash or control character: escaping the whole
    // text escapes exactly the user's texts in it.
    CliError(io_, EscapeLine(text));
    return icon == MessageIcon::Question ? kAnswerNo : kAnswerOk;
}

#include "CliPrompter.h"

#include "CliCommandList.h"

int CliPrompter::messageBox(QObject*, MessageIcon icon, const QString&, const QString& text) {
    ++messages_;
    CliError(io_, text);
    return icon == MessageIcon::Question ? kAnswerNo : kAnswerOk;
}

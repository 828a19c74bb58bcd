#include "diag/MessageBoxes.h"

#include "diag/LogFile.h"

void ReportComError(const XmlError& error, MessageIcon icon, const char* sourceFile,
                    int sourceLine) {
    CurrentPrompter().messageBox(nullptr, icon, QString::fromUtf16(kCaptionError),
                                 QStringLiteral("エラーが起きました"));
    LogFile::SetLocation(sourceFile, sourceLine)
        .WriteLine(u"エラー %s", error.description.value_or(QString()));
}

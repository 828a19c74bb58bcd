#include "storage/ui/ExchangeCommands.h"

#include <QString>
#include <optional>

#include "diag/LogFile.h"
#include "diag/SecureWipe.h"
#include "model/ui/Workspace.h"
#include "storage/XmlExchange.h"

FileDialogRequest XmlFileDialogRequest() {
    FileDialogRequest request;
    request.filters = {{QStringLiteral("XMLファイル (*.xml)"), QStringLiteral("*.xml")},
                       {QStringLiteral("すべてのファイル (*.*)"), QStringLiteral("*.*")}};
    request.defaultExtension = QStringLiteral("xml");
    return request;
}

void ExportCommand(Workspace& ws, const QString& settingsFile) {
    QString verifier;
    if (!ws.AskKey(verifier)) return;
    WipeOwnCopy(verifier);
    const std::optional<QString> path = CurrentPrompter().saveFileName(XmlFileDialogRequest());
    if (!path) return;
    if (RefuseExportOntoProgramFile(
            *path, {ws.doc().dataFilePath, settingsFile, LogFile::Instance().path()}, ws.owner()))
        return;
    WriteXmlFile(ws.doc().document, *path, QString::fromUtf16(kExportEncoding), ws.owner());
}

void ImportCommand(Workspace& ws) {
    const std::optional<QString> path = CurrentPrompter().openFileName(XmlFileDialogRequest());
    if (!path) return;
    DocumentState imported = ws.doc();
    if (!ImportXmlFile(imported, *path, ws.owner())) return;
    imported.modified = true;
    ws.ReplaceDocument(imported);
}

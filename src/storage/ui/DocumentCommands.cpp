#include "DocumentCommands.h"

#include <QString>

#include "DataFile.h"
#include "DataFileDialogs.h"
#include "MessageBoxes.h"
#include "Workspace.h"

namespace {

AskKeyFn KeyAsker(Workspace& ws) {
    return [&ws](QString& verifier) { return ws.AskKey(verifier); };
}

void ShowPath(Workspace& ws) {
    if (ws.setCaptionPath) ws.setCaptionPath(ws.doc.dataFilePath);
}

// The question before a document is replaced; Yes writes a copy through Save As.
void AskToSaveChanges(Workspace& ws) {
    if (!ws.doc.modified) return;
    if (QuestionBox(ws.owner(), kCaptionConfirm, u"データが変更されています。保存しますか？") ==
        kAnswerYes)
        SaveAsCommand(ws);
}

}  // namespace

void LoadAtStartup(Workspace& ws, const QString& defaultDataFilePath) {
    if (LoadDataFile(ws.doc, ws.doc.dataFilePath, KeyAsker(ws), ws.owner())) {
        ShowPath(ws);
        ws.resetViews();
        return;
    }
    NewDocumentCommand(ws, defaultDataFilePath);
}

void NewDocumentCommand(Workspace& ws, const QString& defaultDataFilePath) {
    if (ws.doc.modified) {
        if (!SaveDataFile(ws.doc, ws.doc.dataFilePath, true, KeyAsker(ws), ws.owner())) {
            Notice(ws.owner(), u"保存できませんでした");
            // The unsaved changes would otherwise be lost without a question.
            return;
        }
    }
    ws.doc.dataFilePath = defaultDataFilePath;
    ShowPath(ws);
    DocumentState fresh = ws.doc;
    if (!CreateRootDocument(fresh)) return;
    ws.doc = fresh;
    ws.resetViews();
}

void OpenCommand(Workspace& ws) {
    AskToSaveChanges(ws);
    const std::optional<QString> path =
        CurrentPrompter().openFileName(DataFileDialogRequest(ws.doc.dataFilePath));
    if (!path) return;
    if (!LoadDataFile(ws.doc, *path, KeyAsker(ws), ws.owner())) return;
    ShowPath(ws);
    ws.resetViews();
}

void SaveCommand(Workspace& ws) {
    if (SaveDataFile(ws.doc, ws.doc.dataFilePath, true, KeyAsker(ws), ws.owner()))
        ws.doc.modified = false;
    else
        Notice(ws.owner(), u"保存できませんでした");
}

void SaveAsCommand(Workspace& ws) {
    const std::optional<QString> path =
        CurrentPrompter().saveFileName(DataFileDialogRequest(ws.doc.dataFilePath));
    if (!path) return;
    SaveDataFile(ws.doc, *path, true, KeyAsker(ws), ws.owner());
}

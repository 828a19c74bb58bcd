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

bool MayOverwriteDataFile(const DocumentState& state, const QString& path, QObject* owner) {
    switch (DataFileChangeOnDisk(state, path)) {
        case DiskChange::None:
            return true;
        case DiskChange::Changed:
            return QuestionBoxDefaultNo(
                       owner, kCaptionConfirm,
                       u"%sは読み込みまたは保存の後にほかで変更されています。上書きしますか？",
                       path) == kAnswerYes;
        case DiskChange::NotLoaded:
            break;
    }
    return QuestionBoxDefaultNo(owner, kCaptionConfirm,
                                u"%sには読み込んでいないデータがあります。上書きしますか？",
                                path) == kAnswerYes;
}

bool LoadAtStartup(Workspace& ws, const QString& defaultDataFilePath, const AskKeyFn& askKey) {
    if (LoadDataFile(ws.doc, ws.doc.dataFilePath, askKey ? askKey : KeyAsker(ws), ws.owner())) {
        ShowPath(ws);
        ws.resetViews();
        return true;
    }
    NewDocumentCommand(ws, defaultDataFilePath);
    return false;
}

void NewDocumentCommand(Workspace& ws, const QString& defaultDataFilePath) {
    if (ws.doc.modified) {
        if (!MayOverwriteDataFile(ws.doc, ws.doc.dataFilePath, ws.owner())) return;
        if (!SaveDataFile(ws.doc, ws.doc.dataFilePath, true, KeyAsker(ws), ws.owner())) {
            Notice(ws.owner(), u"保存できませんでした");
            // The unsaved changes would otherwise be lost without a question.
            return;
        }
    }
    ws.doc.dataFilePath = defaultDataFilePath;
    // Whatever lies at the default path was not loaded into the new document.
    ws.doc.dataFileStamp = {};
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
    if (!MayOverwriteDataFile(ws.doc, ws.doc.dataFilePath, ws.owner())) return;
    if (SaveDataFile(ws.doc, ws.doc.dataFilePath, true, KeyAsker(ws), ws.owner()))
        ws.doc.modified = false;
    else
        Notice(ws.owner(), u"保存できませんでした");
}

void SaveAsCommand(Workspace& ws) {
    const std::optional<QString> path =
        CurrentPrompter().saveFileName(DataFileDialogRequest(ws.doc.dataFilePath));
    if (!path) return;
    // Another file is replaced as the user chose it; the data file only as Save replaces it.
    if (IsSameFile(*path, ws.doc.dataFilePath) && !MayOverwriteDataFile(ws.doc, *path, ws.owner()))
        return;
    SaveDataFile(ws.doc, *path, true, KeyAsker(ws), ws.owner());
}

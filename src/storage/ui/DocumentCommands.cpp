#include "storage/ui/DocumentCommands.h"

#include <QFileInfo>
#include <QString>

#include "diag/MessageBoxes.h"
#include "model/ui/Workspace.h"
#include "storage/DataFile.h"
#include "storage/DataFileLock.h"
#include "storage/DataFileVersions.h"
#include "storage/SameFile.h"
#include "storage/ui/ConflictCopyOffer.h"
#include "storage/ui/DataFileDialogs.h"
#include "storage/ui/DiskChangeMerge.h"

namespace {

AskKeyFn KeyAsker(Workspace& ws) {
    return [&ws](QString& verifier) { return ws.AskKey(verifier); };
}

// Writes the held document to path, the data file or a copy, after the check of what lies there
// and the key.
CheckedWrite SaveAfterCheck(Workspace& ws, const QString& path) {
    return WriteAfterDiskCheck(
        ws, path, [&](const std::function<bool()>& mayReplace, bool keyGiven) {
            return SaveDataFile(ws.doc(), path, !keyGiven, KeyAsker(ws), ws.owner(), mayReplace);
        });
}

}  // namespace

bool LoadAtStartup(Workspace& ws, const QString& defaultDataFilePath, const AskKeyFn& askKey) {
    DocumentState loaded = ws.doc();
    if (LoadDataFile(loaded, ws.doc().dataFilePath, askKey ? askKey : KeyAsker(ws), ws.owner())) {
        loaded.modified = false;
        ws.ReplaceDocument(loaded);
        // A key change stopped half-way is finished under the key the data file opened with.
        if (const DataFileLock lock(ws.doc().dataFilePath); lock.held())
            FinishKeyChange(ws.doc().dataFilePath, ws.doc().keyVerifier, CurrentVersionPolicy());
        OfferConflictCopies(ws, [&ws] { return SaveCommand(ws); });
        return true;
    }
    NewDocumentCommand(ws, defaultDataFilePath);
    return false;
}

void NewDocumentCommand(Workspace& ws, const QString& defaultDataFilePath) {
    if (ws.doc().modified) {
        const CheckedWrite saved = SaveAfterCheck(ws, ws.doc().dataFilePath);
        if (saved == CheckedWrite::Failed) Notice(ws.owner(), u"保存できませんでした");
        // The unsaved changes would otherwise be lost without a question.
        if (saved != CheckedWrite::Written) return;
    }
    DocumentState fresh = ws.doc();
    fresh.dataFilePath = defaultDataFilePath;
    // Whatever lies at the default path was not loaded into the new document.
    fresh.dataFileStamp = {};
    fresh.modified = false;
    if (!CreateRootDocument(fresh)) {
        ws.SetDataFilePath(defaultDataFilePath);
        ws.doc().dataFileStamp = {};
        return;
    }
    ws.ReplaceDocument(fresh);
}

void OpenCommand(Workspace& ws) {
    // The user asked to save: another file does not replace the changes without it.
    if (!AskToSaveChanges(ws)) return;
    const std::optional<QString> path =
        CurrentPrompter().openFileName(DataFileDialogRequest(ws.doc().dataFilePath));
    if (!path) return;
    DocumentState loaded = ws.doc();
    if (!LoadDataFile(loaded, *path, KeyAsker(ws), ws.owner())) return;
    loaded.modified = false;
    ws.ReplaceDocument(loaded);
    OfferConflictCopies(ws, [&ws] { return SaveCommand(ws); });
}

bool SaveCommand(Workspace& ws) {
    switch (SaveAfterCheck(ws, ws.doc().dataFilePath)) {
        case CheckedWrite::Written:
            ws.doc().modified = false;
            return true;
        case CheckedWrite::Failed:
            Notice(ws.owner(), u"保存できませんでした");
            return false;
        case CheckedWrite::Declined:
            break;
    }
    return false;
}

bool SaveAsCommand(Workspace& ws) {
    const std::optional<QString> path =
        CurrentPrompter().saveFileName(DataFileDialogRequest(ws.doc().dataFilePath));
    if (!path) return false;
    // Another file is replaced as the user chose it; the data file only as Save replaces it.
    if (IsSameFile(*path, ws.doc().dataFilePath))
        return SaveAfterCheck(ws, *path) == CheckedWrite::Written;
    return SaveDataFile(ws.doc(), *path, true, KeyAsker(ws), ws.owner());
}

bool AskToSaveChanges(Workspace& ws) {
    if (!ws.doc().modified) return true;
    if (QuestionBox(ws.owner(), kCaptionConfirm, u"データが変更されています。保存しますか？") !=
        kAnswerYes)
        return true;
    return SaveAsCommand(ws);
}

#include "DocumentCommands.h"

#include <QFileInfo>
#include <QString>

#include "ConflictCopyOffer.h"
#include "DataFile.h"
#include "DataFileDialogs.h"
#include "DiskChangeMerge.h"
#include "MessageBoxes.h"
#include "SameFile.h"
#include "Workspace.h"

namespace {

AskKeyFn KeyAsker(Workspace& ws) {
    return [&ws](QString& verifier) { return ws.AskKey(verifier); };
}

enum class Saved { Yes, Declined, Failed };

// Writes the held document to path, the data file or a copy, after the check of what lies there
// and the key; a merge made on the way is reported once the file is written. A file changed
// again while the key was asked for is not replaced: it is looked at again.
Saved SaveAfterCheck(Workspace& ws, const QString& path) {
    while (true) {
        const DiskCheck check = CheckDataFileOnDisk(ws, path);
        if (!check.write) return Saved::Declined;
        bool changedMeanwhile = false;
        const auto stillAsSeen = [&] {
            changedMeanwhile = StampOfFile(path).sha256 != check.seen;
            return !changedMeanwhile;
        };
        if (SaveDataFile(ws.doc, path, true, KeyAsker(ws), ws.owner(), stillAsSeen)) {
            if (check.merged) ReportMerge(ws, QFileInfo(path).fileName(), check.conflicts);
            return Saved::Yes;
        }
        if (!changedMeanwhile) return Saved::Failed;
    }
}

}  // namespace

bool LoadAtStartup(Workspace& ws, const QString& defaultDataFilePath, const AskKeyFn& askKey) {
    DocumentState loaded = ws.doc;
    if (LoadDataFile(loaded, ws.doc.dataFilePath, askKey ? askKey : KeyAsker(ws), ws.owner())) {
        loaded.modified = false;
        ws.replaceDocument(loaded);
        OfferConflictCopies(ws);
        return true;
    }
    NewDocumentCommand(ws, defaultDataFilePath);
    return false;
}

void NewDocumentCommand(Workspace& ws, const QString& defaultDataFilePath) {
    if (ws.doc.modified) {
        const Saved saved = SaveAfterCheck(ws, ws.doc.dataFilePath);
        if (saved == Saved::Failed) Notice(ws.owner(), u"保存できませんでした");
        // The unsaved changes would otherwise be lost without a question.
        if (saved != Saved::Yes) return;
    }
    DocumentState fresh = ws.doc;
    fresh.dataFilePath = defaultDataFilePath;
    // Whatever lies at the default path was not loaded into the new document.
    fresh.dataFileStamp = {};
    fresh.modified = false;
    if (!CreateRootDocument(fresh)) {
        ws.setDataFilePath(defaultDataFilePath);
        ws.doc.dataFileStamp = {};
        return;
    }
    ws.replaceDocument(fresh);
}

void OpenCommand(Workspace& ws) {
    // The user asked to save: another file does not replace the changes without it.
    if (!AskToSaveChanges(ws)) return;
    const std::optional<QString> path =
        CurrentPrompter().openFileName(DataFileDialogRequest(ws.doc.dataFilePath));
    if (!path) return;
    DocumentState loaded = ws.doc;
    if (!LoadDataFile(loaded, *path, KeyAsker(ws), ws.owner())) return;
    loaded.modified = false;
    ws.replaceDocument(loaded);
    OfferConflictCopies(ws);
}

bool SaveCommand(Workspace& ws) {
    switch (SaveAfterCheck(ws, ws.doc.dataFilePath)) {
        case Saved::Yes:
            ws.doc.modified = false;
            return true;
        case Saved::Failed:
            Notice(ws.owner(), u"保存できませんでした");
            return false;
        case Saved::Declined:
            break;
    }
    return false;
}

bool SaveAsCommand(Workspace& ws) {
    const std::optional<QString> path =
        CurrentPrompter().saveFileName(DataFileDialogRequest(ws.doc.dataFilePath));
    if (!path) return false;
    // Another file is replaced as the user chose it; the data file only as Save replaces it.
    if (IsSameFile(*path, ws.doc.dataFilePath)) return SaveAfterCheck(ws, *path) == Saved::Yes;
    return SaveDataFile(ws.doc, *path, true, KeyAsker(ws), ws.owner());
}

bool AskToSaveChanges(Workspace& ws) {
    if (!ws.doc.modified) return true;
    if (QuestionBox(ws.owner(), kCaptionConfirm, u"データが変更されています。保存しますか？") !=
        kAnswerYes)
        return true;
    return SaveAsCommand(ws);
}

#include "storage/ui/ConflictCopyOffer.h"

#include <QFile>
#include <QFileInfo>

#include "diag/MessageBoxes.h"
#include "model/ui/Workspace.h"
#include "storage/ConflictCopies.h"
#include "storage/DataFile.h"
#include "storage/ui/DiskChangeMerge.h"

void OfferConflictCopies(Workspace& ws, const std::function<bool()>& save) {
    if (!ws.doc().hasDocument()) return;
    const QString dataName = QFileInfo(ws.doc().dataFilePath).fileName();
    for (const QString& copyPath : FindConflictCopies(ws.doc().dataFilePath)) {
        DataFileContent copy;
        if (!ReadDataFileUnder(copyPath, ws.doc().keyVerifier, copy)) continue;
        if (ws.IsConflictCopySettled(copy.stamp.sha256)) continue;
        const MergeResult merged = MergeWithHeldDocument(ws, copy.document, false);
        if (merged.conflicts.isEmpty() && merged.document.sameContent(ws.doc().document)) {
            // Merged before: the document already holds all of it.
            ws.SettleConflictCopy(copy.stamp.sha256);
            continue;
        }
        const QString copyName = QFileInfo(copyPath).fileName();
        const int answer =
            QuestionBox(ws.owner(), kCaptionConfirm, u"%sの競合コピー%sがあります。結合しますか？",
                        dataName, copyName);
        ws.SettleConflictCopy(copy.stamp.sha256);
        if (answer != kAnswerYes) continue;
        const QList<MergeConflict> conflicts = AdoptMerge(ws, merged, nullptr);
        if (!save()) return;
        ReportMerge(ws, copyName, conflicts);
        if (QuestionBoxDefaultNo(ws.owner(), kCaptionConfirm,
                                 u"%sの内容は%sに保存されました。%sを削除しますか？", copyName,
                                 dataName, copyName) == kAnswerYes &&
            // Only the copy as merged: a sync tool may have written it again meanwhile.
            (StampOfFile(copyPath).sha256 != copy.stamp.sha256 || !QFile::remove(copyPath)))
            Notice(ws.owner(), u"%sを削除できませんでした", copyName);
    }
}

#include "storage/ui/ConflictCopyOffer.h"

#include <QFile>
#include <QFileInfo>

#include "diag/MessageBoxes.h"
#include "model/ui/Workspace.h"
#include "storage/ConflictCopies.h"
#include "storage/DataFile.h"
#include "storage/ui/DiskChangeMerge.h"

namespace {

// The copies that could not be offered, named on the status line once the offer is over, after
// whatever the merges put there.
class UnopenedCopies {
public:
    explicit UnopenedCopies(Workspace& ws) : ws_(ws) {}
    ~UnopenedCopies() {
        if (!names_.isEmpty())
            ws_.ShowStatus(FormatText(u"競合コピー%sは今のキーで開けないため、結合できません",
                                      {names_.join(u"、")}));
    }
    void add(const QString& name) { names_.append(name); }

private:
    Workspace& ws_;
    QStringList names_;
};

}  // namespace

void OfferConflictCopies(Workspace& ws, const std::function<bool()>& save) {
    if (!ws.doc().hasDocument()) return;
    const QString dataName = QFileInfo(ws.doc().dataFilePath).fileName();
    UnopenedCopies unopened(ws);
    for (const QString& copyPath : FindConflictCopies(ws.doc().dataFilePath)) {
        const QString copyName = QFileInfo(copyPath).fileName();
        DataFileContent copy;
        if (!ReadDataFileUnder(copyPath, ws.doc().keyVerifier, copy)) {
            unopened.add(copyName);
            continue;
        }
        if (ws.IsConflictCopySettled(copy.stamp.sha256)) continue;
        const MergeResult merged = MergeWithHeldDocument(ws, copy.document, false);
        if (merged.document.sameContent(ws.doc().document)) {
            // Merged before (its conflicts too, which a merge does not add again): the document
            // already holds all of it.
            ws.SettleConflictCopy(copy.stamp.sha256);
            continue;
        }
        const int answer =
            QuestionBox(ws.owner(), kCaptionConfirm, u"%sの競合コピー%sがあります。結合しますか？",
                        dataName, copyName);
        ws.SettleConflictCopy(copy.stamp.sha256);
        if (answer != kAnswerYes) continue;
        const QList<MergeConflict> conflicts = AdoptMerge(ws, merged, nullptr);
        if (!save()) return;
        ReportMerge(ws, copyName, conflicts, MergeKind::TwoWay);
        if (QuestionBoxDefaultNo(ws.owner(), kCaptionConfirm,
                                 u"%sの内容は%sに保存されました。%sを削除しますか？", copyName,
                                 dataName, copyName) == kAnswerYes &&
            // Only the copy as merged: a sync tool may have written it again meanwhile.
            (StampOfFile(copyPath).sha256 != copy.stamp.sha256 || !QFile::remove(copyPath)))
            Notice(ws.owner(), u"%sを削除できませんでした", copyName);
    }
}

void OfferNewConflictCopies(Workspace& ws, const std::function<bool()>& save, QStringList& known) {
    const QStringList there = FindConflictCopies(ws.doc().dataFilePath);
    bool appeared = false;
    for (const QString& copy : there) appeared |= !known.contains(copy);
    known = there;
    if (appeared) OfferConflictCopies(ws, save);
}

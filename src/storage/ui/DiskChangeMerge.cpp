#include "storage/ui/DiskChangeMerge.h"

#include <QFileInfo>

#include "diag/MessageBoxes.h"
#include "model/ui/Workspace.h"
#include "storage/DataFile.h"

namespace {

// At most this many conflicts are listed one by one; the rest are counted.
constexpr qsizetype kListedConflicts = 20;

const QString kMerge = QStringLiteral("結合");
const QString kOverwrite = QStringLiteral("上書き");
const QString kCancel = QStringLiteral("キャンセル");

}  // namespace

MergeResult MergeWithHeldDocument(const Workspace& ws, const XmlDocument& theirs, bool threeWay) {
    // The base is kept encrypted, as the file held it; it is opened only for the merge.
    const XmlDocument base =
        threeWay ? DecodeDataFile(ws.doc().dataFileStamp.bytes, ws.doc().keyVerifier)
                 : XmlDocument();
    return MergeDocuments(base, ws.doc().document, theirs);
}

QList<MergeConflict> AdoptMerge(Workspace& ws, const MergeResult& merged,
                                const DataFileStamp* theirsStamp) {
    DocumentState next = ws.doc();
    next.document = merged.document;
    next.root = merged.document.documentElement();
    next.modified = true;
    if (theirsStamp) next.dataFileStamp = *theirsStamp;
    ws.ReplaceDocument(next, Workspace::CurrentGroup::Kept);
    return merged.conflicts;
}

DiskCheck CheckDataFileOnDisk(Workspace& ws, const QString& path) {
    DiskCheck check;
    // What the file holds now, read once: the change is told from it, the save checks against its
    // digest that nothing changed while a question was open, and a merge decrypts these same bytes.
    QByteArray bytes;
    const DiskChange change = DataFileChangeOnDisk(ws.doc(), path, &bytes);
    const DataFileStamp onDisk = bytes.isEmpty() ? DataFileStamp() : StampOf(bytes);
    bytes.clear();
    check.seen = onDisk.sha256;
    switch (change) {
        case DiskChange::None:
            check.write = true;
            return check;
        case DiskChange::NotLoaded:
            check.write =
                QuestionBoxDefaultNo(ws.owner(), kCaptionConfirm,
                                     u"%sには読み込んでいないデータがあります。上書きしますか？",
                                     path) == kAnswerYes;
            return check;
        case DiskChange::Changed:
            break;
    }
    // Only whether it opens under the key decides the answers offered; its plain text is not kept
    // while the question waits, and is decrypted again only for a merge.
    if (DecodeDataFile(onDisk.bytes, ws.doc().keyVerifier).isNull()) {
        check.write =
            ChoiceBox(ws.owner(), kCaptionConfirm, {kOverwrite, kCancel}, 1, 1,
                      u"%sは読み込みまたは保存の後にほかで変更されていますが、今のキーでは開けない"
                      u"ため結合できません。上書きしますか？",
                      path) == 0;
        return check;
    }
    const int answer =
        ChoiceBox(ws.owner(), kCaptionConfirm, {kMerge, kOverwrite, kCancel}, 0, 2,
                  u"%sは読み込みまたは保存の後にほかで変更されています。上書きしますか？", path);
    if (answer == 1) check.write = true;
    if (answer != 0) return check;
    const XmlDocument theirs = DecodeDataFile(onDisk.bytes, ws.doc().keyVerifier);
    check.conflicts = AdoptMerge(ws, MergeWithHeldDocument(ws, theirs, true), &onDisk);
    check.merged = true;
    check.write = true;
    return check;
}

CheckedWrite WriteAfterDiskCheck(Workspace& ws, const QString& path,
                                 const std::function<bool(const std::function<bool()>&)>& write) {
    while (true) {
        const DiskCheck check = CheckDataFileOnDisk(ws, path);
        if (!check.write) return CheckedWrite::Declined;
        bool changedMeanwhile = false;
        const auto stillAsSeen = [&] {
            changedMeanwhile = StampOfFile(path).sha256 != check.seen;
            return !changedMeanwhile;
        };
        if (write(stillAsSeen)) {
            if (check.merged) ReportMerge(ws, QFileInfo(path).fileName(), check.conflicts);
            return CheckedWrite::Written;
        }
        if (!changedMeanwhile) return CheckedWrite::Failed;
    }
}

void ReportMerge(Workspace& ws, const QString& mergedFile, const QList<MergeConflict>& conflicts) {
    if (conflicts.isEmpty()) {
        ws.ShowStatus(FormatText(u"Merged with %s: no conflicts", {mergedFile}));
        return;
    }
    QStringList lines;
    for (qsizetype i = 0; i < conflicts.size() && i < kListedConflicts; ++i)
        lines.append(FormatText(u"%s: %s", {conflicts[i].groupPath(), conflicts[i].name}));
    if (conflicts.size() > kListedConflicts)
        lines.append(
            FormatText(u"ほか%s件", {QString::number(conflicts.size() - kListedConflicts)}));
    ws.ShowStatus(FormatText(u"Merged with %s: %s conflicts",
                             {mergedFile, QString::number(conflicts.size())}));
    Notice(ws.owner(),
           u"%sと結合しました。両方で違う値に変えられていた%s件は、ほかの側の値を名前に「（競合）」"
           u"を付けて並べてあります。\n%s",
           mergedFile, QString::number(conflicts.size()), lines.join(u'\n'));
}

bool ReloadIfChangedOnDisk(Workspace& ws) {
    const QString path = ws.doc().dataFilePath;
    if (!ws.doc().hasDocument()) return false;
    const QString name = QFileInfo(path).fileName();
    if (ws.doc().modified) {
        // Only whether it changed matters here: the length may tell it without reading.
        if (DataFileChangeOnDisk(ws.doc(), path) == DiskChange::Changed)
            ws.ShowStatus(
                FormatText(u"%s was changed elsewhere: it is merged when you save", {name}));
        return false;
    }
    // The bytes the change is told from are the ones read again.
    QByteArray bytes;
    if (DataFileChangeOnDisk(ws.doc(), path, &bytes) != DiskChange::Changed) return false;
    const XmlDocument document = DecodeDataFile(bytes, ws.doc().keyVerifier);
    if (document.isNull()) {
        ws.ShowStatus(
            FormatText(u"%s was changed elsewhere and does not open with the current key", {name}));
        return false;
    }
    DocumentState next = ws.doc();
    next.document = document;
    next.root = document.documentElement();
    next.dataFileStamp = StampOf(bytes);
    next.modified = false;
    ws.ReplaceDocument(next, Workspace::CurrentGroup::Kept);
    ws.ShowStatus(FormatText(u"Reloaded %s: it was changed elsewhere", {name}));
    return true;
}

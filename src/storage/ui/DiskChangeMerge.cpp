#include "storage/ui/DiskChangeMerge.h"

#include <QFileInfo>

#include "diag/MessageBoxes.h"
#include "diag/SecureWipe.h"
#include "model/ui/Workspace.h"
#include "storage/DataFile.h"
#include "storage/DataFileVersions.h"

namespace {

// At most this many conflicts are listed one by one; the rest are counted.
constexpr qsizetype kListedConflicts = 20;

const QString kMerge = QStringLiteral("結合");
const QString kOverwrite = QStringLiteral("上書き");
const QString kCancel = QStringLiteral("キャンセル");
const QString kTypeKey = QStringLiteral("キーを入力");

constexpr char16_t kMergeRemoved[] =
    u"%sと結合しました。ほかで削除されたグループと項目%s件は、ここでもなくなりました。"
    u"ファイル › 以前の版で、結合の前の版から戻せます";
constexpr char16_t kReloadRemoved[] =
    u"%sはほかで変更されたため、読み込み直しました。グループと項目%s件がなくなりました"
    u"（ファイル › 以前の版で戻せます）";

}  // namespace

MergeResult MergeWithHeldDocument(const Workspace& ws, const XmlDocument& theirs, bool threeWay) {
    // The base is kept encrypted, as the file held it; it is opened only for the merge.
    const XmlDocument base =
        threeWay ? DecodeDataFile(ws.doc().dataFileStamp.bytes, ws.doc().keyVerifier)
                 : XmlDocument();
    return MergeDocuments(base, ws.doc().document, theirs);
}

QList<MergeConflict> AdoptMerge(Workspace& ws, const MergeResult& merged,
                                const DataFileStamp* theirsStamp, int* removed) {
    if (removed)
        *removed = CountDifferences(CompareDocuments(ws.doc().document, merged.document)).removed;
    KeepEarlierVersion(ws.doc().dataFilePath, ws.doc().dataFileStamp.bytes, CurrentVersionPolicy());
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
        // Written under another key: a key change made elsewhere, or not a data file at all.
        const int answer = ChoiceBox(
            ws.owner(), kCaptionConfirm, {kTypeKey, kOverwrite, kCancel}, 0, 2,
            u"%sは読み込みまたは保存の後にほかで変更されていますが、今のキーでは開けません。上書き"
            u"す"
            u"ると、ほかでの変更とキーの変更は失われます。ほかで変えられたキーを入力して結合し、以"
            u"後はそのキーを使いますか？",
            path);
        if (answer == 1) check.write = true;
        if (answer != 0) return check;
        QString otherKey;
        if (!ws.AskOtherKey(otherKey, [&onDisk](const QString& verifier) {
                return !DecodeDataFile(onDisk.bytes, verifier).isNull();
            }))
            return check;
        // The base is the file as last loaded or saved, under the held key; theirs is under the
        // other one, which the merged document is saved under from now on.
        const XmlDocument theirs = DecodeDataFile(onDisk.bytes, otherKey);
        check.conflicts =
            AdoptMerge(ws, MergeWithHeldDocument(ws, theirs, true), &onDisk, &check.removed);
        // The versions kept here follow the key changed elsewhere: the save writes them again
        // under it (see NoteKeyChange).
        NoteKeyChange(ws.doc().dataFilePath, ws.doc().keyVerifier, otherKey,
                      CurrentVersionPolicy());
        ws.AdoptKeyVerifier(otherKey);
        WipeOwnCopy(otherKey);
        check.merged = true;
        check.keyGiven = true;
        check.write = true;
        return check;
    }
    const int answer = ChoiceBox(
        ws.owner(), kCaptionConfirm, {kMerge, kOverwrite, kCancel}, 0, 2,
        u"%sは読み込みまたは保存の後にほかで変更されています。上書きすると、ほかでの変更は失われま"
        u"す。結合して両方の変更を残しますか？",
        path);
    if (answer == 1) check.write = true;
    if (answer != 0) return check;
    const XmlDocument theirs = DecodeDataFile(onDisk.bytes, ws.doc().keyVerifier);
    check.conflicts =
        AdoptMerge(ws, MergeWithHeldDocument(ws, theirs, true), &onDisk, &check.removed);
    check.merged = true;
    check.write = true;
    return check;
}

CheckedWrite WriteAfterDiskCheck(Workspace& ws, const QString& path, const CheckedWriter& write) {
    while (true) {
        const DiskCheck check = CheckDataFileOnDisk(ws, path);
        if (!check.write) return CheckedWrite::Declined;
        bool changedMeanwhile = false;
        const auto stillAsSeen = [&] {
            changedMeanwhile = StampOfFile(path).sha256 != check.seen;
            return !changedMeanwhile;
        };
        if (write(stillAsSeen, check.keyGiven)) {
            if (check.merged)
                ReportMerge(ws, QFileInfo(path).fileName(), check.conflicts, MergeKind::ThreeWay,
                            check.removed);
            return CheckedWrite::Written;
        }
        if (!changedMeanwhile) return CheckedWrite::Failed;
    }
}

void ReportMerge(Workspace& ws, const QString& mergedFile, const QList<MergeConflict>& conflicts,
                 MergeKind kind, int removed) {
    if (removed > 0) Notice(ws.owner(), kMergeRemoved, mergedFile, QString::number(removed));
    if (conflicts.isEmpty()) {
        ws.ShowStatus(FormatText(u"%sと結合しました。競合はありません", {mergedFile}));
        return;
    }
    QStringList lines;
    for (qsizetype i = 0; i < conflicts.size() && i < kListedConflicts; ++i)
        lines.append(FormatText(u"%s: %s", {conflicts[i].groupPath(), conflicts[i].name}));
    if (conflicts.size() > kListedConflicts)
        lines.append(
            FormatText(u"ほか%s件", {QString::number(conflicts.size() - kListedConflicts)}));
    const QString count = QString::number(conflicts.size());
    ws.ShowStatus(FormatText(u"%sと結合しました。競合%s件", {mergedFile, count}));
    if (kind == MergeKind::ThreeWay) {
        Notice(ws.owner(),
               u"%sと結合しました。両方で違う値に変えられていた%s件は、ほかの側の値を、名前に「（競"
               u"合）」（その名前があれば「（競合2）」など）を付けて並べてあります。\n%s",
               mergedFile, count, lines.join(u'\n'));
    } else {
        Notice(ws.owner(),
               u"%sと結合しました。値の違っていた%s件は、%sの値を、名前に「（競合）」（その名前が"
               u"あれば「（競合2）」など）を付けて並べてあります。\n%s",
               mergedFile, count, mergedFile, lines.join(u'\n'));
    }
}

bool ReloadIfChangedOnDisk(Workspace& ws) {
    const QString path = ws.doc().dataFilePath;
    if (!ws.doc().hasDocument()) return false;
    const QString name = QFileInfo(path).fileName();
    if (ws.doc().modified) {
        // Only whether it changed matters here: the length may tell it without reading.
        if (DataFileChangeOnDisk(ws.doc(), path) == DiskChange::Changed)
            ws.ShowStatus(FormatText(
                u"%sはほかで変更されました。保存のときに、結合するかどうかを尋ねます", {name}));
        return false;
    }
    // The bytes the change is told from are the ones read again.
    QByteArray bytes;
    if (DataFileChangeOnDisk(ws.doc(), path, &bytes) != DiskChange::Changed) return false;
    const XmlDocument document = DecodeDataFile(bytes, ws.doc().keyVerifier);
    if (document.isNull()) {
        ws.ShowStatus(
            FormatText(u"%sはほかで変更されましたが、今のキーでは開けません。保存のとき"
                       u"に、ほかで使われたキーを入力して結合できます",
                       {name}));
        return false;
    }
    const int removed = CountDifferences(CompareDocuments(ws.doc().document, document)).removed;
    KeepEarlierVersion(path, ws.doc().dataFileStamp.bytes, CurrentVersionPolicy());
    DocumentState next = ws.doc();
    next.document = document;
    next.root = document.documentElement();
    next.dataFileStamp = StampOf(bytes);
    next.modified = false;
    ws.ReplaceDocument(next, Workspace::CurrentGroup::Kept);
    if (removed > 0)
        ws.ShowStatus(FormatText(kReloadRemoved, {name, QString::number(removed)}));
    else
        ws.ShowStatus(FormatText(u"%sはほかで変更されたため、読み込み直しました", {name}));
    return true;
}

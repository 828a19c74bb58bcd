#include "storage/ui/DocumentLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTreeWidgetItem>
#include <cstring>
#include <utility>

#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/SecureWipe.h"
#include "diag/XmlError.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "storage/CBlowfish.h"
#include "storage/DataFile.h"
#include "storage/DataFileCodec.h"
#include "storage/RegularFileRead.h"
#include "storage/SafeFileWrite.h"
#include "storage/Sha256.h"
#include "storage/ui/DiskChangeMerge.h"

namespace {

// The rows of item and its parents, from the top down.
QList<int> RowsOf(const GroupTreeWidget* tree, QTreeWidgetItem* item) {
    QList<int> rows;
    for (; item; item = item->parent())
        rows.prepend(item->parent() ? item->parent()->indexOfChild(item)
                                    : tree->indexOfTopLevelItem(item));
    return rows;
}

QTreeWidgetItem* ItemAtRows(const GroupTreeWidget* tree, const QList<int>& rows) {
    QTreeWidgetItem* item = nullptr;
    for (const int row : rows) {
        item = item ? item->child(row) : tree->topLevelItem(row);
        if (!item) return nullptr;
    }
    return item;
}

void CollectOpenBranches(const GroupTreeWidget* tree, QTreeWidgetItem* item,
                         QList<QList<int>>& open) {
    if (!item->isExpanded()) return;
    open << RowsOf(tree, item);
    for (int i = 0; i < item->childCount(); ++i) CollectOpenBranches(tree, item->child(i), open);
}

// Serialises and encrypts the held document under the held verifier; false when there is no key
// to encrypt under or the engine failed.
bool EncryptHeldDocument(const Workspace& ws, std::vector<std::uint8_t>& cipher) {
    const DocumentState& doc = ws.doc();
    if (!doc.hasDocument()) return true;
    if (doc.keyVerifier.isEmpty()) return false;
    try {
        QByteArray plaintext = SerializeDocument(doc.document);
        WipeOnExit<QByteArray> wipePlaintext(plaintext);
        return EncryptDataText(plaintext, doc.keyVerifier, cipher);
    } catch (const XmlError&) {
        return false;
    }
}

}  // namespace

void LockWorkspace(Workspace& ws, LockedDocument& locked) {
    if (locked.locked) return;
    locked = LockedDocument();
    locked.locked = true;
    locked.modified = ws.doc().modified;
    const GroupTreeWidget* tree = ws.tree();
    locked.currentGroup = RowsOf(tree, ws.currentGroupItem());
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        CollectOpenBranches(tree, tree->topLevelItem(i), locked.openBranches);

    ws.mark().forget();
    Wipe(ws.groupSearch().text);
    ws.SetFindNextEnabled(false);
    locked.keptInPlace = !EncryptHeldDocument(ws, locked.cipher);
    if (locked.keptInPlace) {
        // Nothing to encrypt under: the views go, the document stays.
        ws.tree()->clear();
        ws.SetCurrentGroup(nullptr);
        return;
    }
    // Wiped in place: every copy of the verifier's text shares this buffer.
    Wipe(ws.doc().keyVerifier);
    DocumentState emptied;
    emptied.dataFilePath = ws.doc().dataFilePath;
    emptied.dataFileStamp = ws.doc().dataFileStamp;
    ws.ReplaceDocument(std::move(emptied));
}

bool LockedDocumentOpensUnder(const LockedDocument& locked, const QString& verifier) {
    if (locked.keptInPlace || locked.cipher.empty()) return true;
    // The serialised text always begins with its declaration: its first two blocks tell a wrong
    // key without deciphering and parsing the whole document (which the unlock does once after).
    static constexpr char16_t kStart[] = u"<?xml ve";
    constexpr std::size_t kBytes = sizeof kStart - sizeof(char16_t);
    if (locked.cipher.size() < kBytes) return false;
    QByteArray key = DataFileKey(verifier);
    WipeOnExit<QByteArray> wipeKey(key);
    CBlowfish cipher;
    cipher.SetKey(reinterpret_cast<const std::uint8_t*>(key.constData()), std::size_t(key.size()));
    std::uint8_t plain[kBytes];
    cipher.DecryptBuffer(locked.cipher.data(), plain, kBytes);
    const bool opens = std::memcmp(plain, QString::fromUtf16(kStart).constData(), kBytes) == 0;
    WipeMemory(plain, sizeof plain);
    return opens;
}

bool UnlockWorkspace(Workspace& ws, LockedDocument& locked, const QString& verifier) {
    if (!locked.locked) return true;
    if (!locked.keptInPlace) {
        DocumentState state;
        if (!locked.cipher.empty()) {
            const QByteArray bytes =
                QByteArray::fromRawData(reinterpret_cast<const char*>(locked.cipher.data()),
                                        qsizetype(locked.cipher.size()));
            state.document = DecodeDataFile(bytes, verifier);
            if (state.document.isNull()) return false;
            state.root = state.document.documentElement();
        }
        state.dataFilePath = ws.doc().dataFilePath;
        state.dataFileStamp = ws.doc().dataFileStamp;
        state.keyVerifier = verifier;
        state.modified = locked.modified;
        ws.ReplaceDocument(std::move(state));
    } else {
        ws.RebuildTree();
    }
    GroupTreeWidget* tree = ws.tree();
    // Top down: a branch's children exist once it is open.
    for (const QList<int>& branch : locked.openBranches)
        if (QTreeWidgetItem* item = ItemAtRows(tree, branch)) item->setExpanded(true);
    if (QTreeWidgetItem* current = ItemAtRows(tree, locked.currentGroup)) {
        tree->setCurrentItem(current);
        ws.SetCurrentGroup(current);
    }
    Wipe(locked.cipher);
    locked = LockedDocument();
    return true;
}

QString LockedChangesPath(const QString& dataFilePath) {
    const QString folder =
        LogFallbackFolder(qEnvironmentVariable("XDG_STATE_HOME"), qEnvironmentVariable("HOME"));
    if (folder.isEmpty()) return {};
    const QByteArray path = QFileInfo(dataFilePath).absoluteFilePath().toUtf8();
    const QByteArray digest = Sha256Of(path.constData(), path.size()).toHex().left(16);
    return folder + QStringLiteral("/unsaved-") + QString::fromLatin1(digest) +
           QStringLiteral(".dat");
}

bool KeepLockedChanges(const LockedDocument& locked, const QString& dataFilePath) {
    if (!locked.locked || !locked.modified || locked.keptInPlace || locked.cipher.empty())
        return false;
    const QString path = LockedChangesPath(dataFilePath);
    if (path.isEmpty()) return false;
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder)) return false;
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return WriteFileSafely(path, reinterpret_cast<const char*>(locked.cipher.data()),
                           qint64(locked.cipher.size()));
}

void OfferLockedChanges(Workspace& ws) {
    if (!ws.doc().hasDocument()) return;
    const QString path = LockedChangesPath(ws.doc().dataFilePath);
    if (path.isEmpty() || !QFileInfo(path).isFile()) return;
    const QString name = QFileInfo(path).fileName();
    DataFileContent kept;
    if (!ReadDataFileUnder(path, ws.doc().keyVerifier, kept)) {
        ws.ShowStatus(FormatText(
            u"ロック中に保存されなかった変更%sは今のキーで開けないため、結合できません", {path}));
        return;
    }
    const MergeResult merged = MergeWithHeldDocument(ws, kept.document, false);
    // Everything in it is in the document already (saved after all): nothing to offer.
    if (merged.document.sameContent(ws.doc().document)) {
        QFile::remove(path);
        return;
    }
    if (QuestionBox(ws.owner(), kCaptionConfirm,
                    u"ロック中に保存されなかった変更%sがあります。結合しますか？",
                    path) != kAnswerYes)
        return;
    const QList<MergeConflict> conflicts = AdoptMerge(ws, merged, nullptr);
    ReportMerge(ws, name, conflicts, MergeKind::TwoWay);
    if (!QFile::remove(path)) Notice(ws.owner(), u"%sを削除できませんでした", path);
}

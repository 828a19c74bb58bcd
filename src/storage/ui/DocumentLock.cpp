#include "storage/ui/DocumentLock.h"

#include <QTreeWidgetItem>
#include <utility>

#include "diag/SecureWipe.h"
#include "diag/XmlError.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "storage/DataFile.h"
#include "storage/DataFileCodec.h"

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
    const QByteArray bytes = QByteArray::fromRawData(
        reinterpret_cast<const char*>(locked.cipher.data()), qsizetype(locked.cipher.size()));
    return !DecodeDataFile(bytes, verifier).isNull();
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

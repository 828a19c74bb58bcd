#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <vector>

class Workspace;

// What a locked workspace keeps: the document encrypted in memory under the key verifier it was
// held under (a complete data file, written nowhere), whether it had unsaved changes, and where
// the user was in the group tree. The verifier itself is not kept: the key typed to unlock gives
// it again, and only a key under which the encrypted bytes open is taken.
struct LockedDocument {
    bool locked = false;
    // The document as a data file's bytes; empty when there was no document.
    std::vector<std::uint8_t> cipher;
    // No key was held: the document could not be encrypted and stays in the workspace, only the
    // views are emptied. Unlocking asks for no key then.
    bool keptInPlace = false;
    bool modified = false;
    // The current group by the row of each tree item from the top down (no names are kept: the
    // document rebuilt from the encrypted bytes gives the same tree); empty for none.
    QList<int> currentGroup;
    // The open branches of the group tree, each by its rows from the top down.
    QList<QList<int>> openBranches;
};

// Locks the workspace: serialises the held document and encrypts it under the held verifier into
// locked, then wipes and frees the document, the marks, the group search's text and the verifier
// and empties the group tree. The data file path and the data file's stamp (its encrypted bytes,
// the base of a later merge) stay. Never refused; engine failures while serialising keep the
// document in place (keptInPlace) rather than lose it.
void LockWorkspace(Workspace& ws, LockedDocument& locked);

// Whether the key verifier opens the locked document, told from its first blocks: true also when
// there is nothing to open.
bool LockedDocumentOpensUnder(const LockedDocument& locked, const QString& verifier);

// Brings the document back under verifier (which must open it, see LockedDocumentOpensUnder):
// its unsaved changes, modified flag, open branches and current group; verifier becomes the held
// one. The encrypted copy is wiped. False, still locked, when the bytes do not open under it.
bool UnlockWorkspace(Workspace& ws, LockedDocument& locked, const QString& verifier);

// Where the changes of a document locked with unsaved changes are kept when the desktop session
// ends meanwhile: "unsaved-<16 hexadecimal digits of the SHA-256 of the data file's absolute
// path>.dat" in the state folder ($XDG_STATE_HOME/zetrova, by default ~/.local/state/zetrova,
// mode 0700). Empty when there is no state folder.
QString LockedChangesPath(const QString& dataFilePath);

// Writes the locked document (a complete data file under the key it was locked under) there,
// through the crash-safe writer (mode 0600). True when written; nothing is written when the
// document had no unsaved changes.
bool KeepLockedChanges(const LockedDocument& locked, const QString& dataFilePath);

// At start, with the document loaded: changes kept for this data file at an earlier session's end
// are offered ("ロック中に保存されなかった変更%sがあります。結合しますか？"); Yes merges them in
// two-way (nothing the document holds is deleted), marks the document modified and removes the
// kept file. No keeps the file for the next start. A file that does not open under the held key
// is kept and named on the status line.
void OfferLockedChanges(Workspace& ws);

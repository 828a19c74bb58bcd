#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "model/DocumentMerge.h"
#include "model/DocumentState.h"

class Workspace;

// What the desktop program does when the data file has been changed elsewhere since it was loaded
// or saved (another machine through a synchronised folder, zetrova-cli): merge, reload by itself,
// or ask before replacing it.

// How the file at the path stood before a write, and what was done about it.
struct DiskCheck {
    // The write may go on: nothing there to lose, the user chose 上書き, or the file was merged in.
    bool write = false;
    // The file on disk was merged into the held document (結合), with these conflicts.
    bool merged = false;
    QList<MergeConflict> conflicts;
    // The key was typed for the merge (the file was under another key, now the held one): the
    // write does not ask for it again.
    bool keyGiven = false;
    // How many groups and items the merge removed from the held document (deleted elsewhere).
    int removed = 0;
    // The SHA-256 of what the file held when it was looked at (empty: no file, or an empty one):
    // the write replaces it only while it still holds that.
    QByteArray seen;
};

// Before the held document is written to path. Nothing to lose (DataFileChangeOnDisk gives None):
// write. A file never loaded: the question
// "%sには読み込んでいないデータがあります。上書きしますか？", default No. The data file changed
// elsewhere, when it opens under the held verifier: the question
// "%sは読み込みまたは保存の後にほかで変更されています。…結合して両方の変更を残しますか？" with
// 結合 (the default), 上書き and キャンセル; 結合 merges it into the held document
// (MergeWithHeldDocument) and the write goes on. When it does not open under the held verifier
// (a key changed elsewhere, or not a data file), the question says so and offers キーを入力 (the
// default), 上書き and キャンセル: キーを入力 shows the key dialog until a key that opens the file
// is typed (or it is cancelled: no write); the file is then merged in, three-way, and that key
// becomes the held one (Workspace::AdoptKeyVerifier), so the write is under it.
DiskCheck CheckDataFileOnDisk(Workspace& ws, const QString& path);

// How a write after CheckDataFileOnDisk ended.
enum class CheckedWrite { Written, Declined, Failed };

// The write itself: mayReplace is SaveDataFile's; keyGiven tells that the key was just typed for a
// merge and is not to be asked again. True when written.
using CheckedWriter = std::function<bool(const std::function<bool()>& mayReplace, bool keyGiven)>;

// Looks at path (CheckDataFileOnDisk), then calls write with a check for SaveDataFile's
// mayReplace: the file is replaced only while it still holds what was looked at. A file changed
// again meanwhile (while a question or the key was waiting) is looked at again, and asked about
// again. A merge made on the way is reported once the file is written.
CheckedWrite WriteAfterDiskCheck(Workspace& ws, const QString& path, const CheckedWriter& write);

// Merges theirs with the held document: three-way against the data file as last loaded or saved
// (the stamp's encrypted bytes, decrypted under the held verifier) when threeWay, else two-way
// (nothing deleted). Nothing is changed.
MergeResult MergeWithHeldDocument(const Workspace& ws, const XmlDocument& theirs, bool threeWay);

// Makes a merge's result the held document (the current group kept when it still exists), marked
// modified; the stamp becomes theirsStamp when given, since the result now holds what that file
// holds. Returns the conflicts and, in removed when given, how many groups and items the merge
// removed from the held document. The data file as last loaded or saved is kept as a version
// first (KeepEarlierVersion): what the other side deleted can be taken back from 以前の版.
QList<MergeConflict> AdoptMerge(Workspace& ws, const MergeResult& merged,
                                const DataFileStamp* theirsStamp, int* removed = nullptr);

// Whether a merge knew the version both sides started from (the data file changed elsewhere) or
// not (a sync tool's conflict copy): a conflict is then a value changed on both sides, or only a
// value that differs.
enum class MergeKind { ThreeWay, TwoWay };

// After a merged document was saved: "%sと結合しました。競合はありません" on the status line, or
// the notice naming how many conflicts there were and, for each, its group path and name. When the
// merge removed groups or items (removed), a notice says how many and that 以前の版 brings them
// back.
void ReportMerge(Workspace& ws, const QString& mergedFile, const QList<MergeConflict>& conflicts,
                 MergeKind kind, int removed = 0);

// The data file changed on disk while the document has no unsaved changes: it is read again by
// itself, under the held verifier, without a question (the current group kept when it still
// exists), and the status line says so. With unsaved changes nothing is read (the merge comes at
// the next save) and the status line says that instead; a file that does not open under the held
// verifier is left alone, with a status line. True when the document was read again. The document
// as last loaded is kept as a version first, and a status line that says the file was read again
// also says how many groups and items went, if any, pointing to 以前の版.
bool ReloadIfChangedOnDisk(Workspace& ws);

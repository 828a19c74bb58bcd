#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <functional>
#include <vector>

// Earlier versions of a data file, kept on this machine: every time a data file is replaced, the
// file being replaced is kept first, the same bytes under the key it was written with, in
// "<versions folder>/<name>-<hash>/" (the versions folder is $XDG_STATE_HOME/zetrova/versions,
// else ~/.local/state/zetrova/versions). The folder of one data file is named after its file name
// and the start of the SHA-256 of its canonical path, so that two data files never share one, and
// holds "data-file.txt" naming that path. Folders are 0700, files 0600; a version is named by the
// UTC time it was replaced, "20261210T023500.123Z-1.dat", so that names sort by time. Versions
// never lie beside the data file: that folder may be synchronised to other machines.

// How many versions are kept, where and by which clock. The programs read it from the per-machine
// preferences and hand it down (SetVersionPolicy); this layer never reads preferences itself.
struct VersionPolicy {
    int keep = 20;        // the newest this many; 0 turns versions off
    int days = 30;        // plus the newest of each of the last this many days
    int months = 12;      // plus the newest of each of the last this many months
    qint64 maxMiB = 256;  // never more than this per data file, the oldest going first
    // The versions folder; empty: the XDG state folder's "zetrova/versions".
    QString folder;
    // The clock and the time zone whose days and months count; the system's when not given.
    std::function<QDateTime()> clock;
    QTimeZone zone = QTimeZone::systemTimeZone();

    bool enabled() const { return keep > 0; }
    QDateTime now() const { return clock ? clock() : QDateTime::currentDateTimeUtc(); }
};

// The policy every save of this process keeps versions by (the defaults until set).
void SetVersionPolicy(const VersionPolicy& policy);
const VersionPolicy& CurrentVersionPolicy();

// The versions folder of the policy; empty when neither XDG_STATE_HOME nor HOME is absolute.
QString VersionsRoot(const VersionPolicy& policy);
// The folder of the data file at dataPath inside it ("<file name>-<12 hex digits>").
QString VersionFolderOf(const QString& dataPath, const VersionPolicy& policy);

// One kept version.
struct KeptVersion {
    QString path;
    QDateTime time;  // when the file it holds was replaced, UTC
    int serial = 0;  // the number after the time, for versions of one millisecond
    qint64 size = 0;
};

// The versions of the data file at dataPath, newest first. Files of other names are not versions
// and are left alone.
std::vector<KeptVersion> ListVersions(const QString& dataPath, const VersionPolicy& policy);

// Which of the versions (newest first) the policy keeps at now: the newest keep, the newest of
// each of the last days days and of the last months months (in the policy's time zone, today and
// this month counted), then as many of those, newest first, as fit in maxMiB. All of them when
// versions are off: turning them off deletes nothing.
std::vector<bool> RetainedVersions(const std::vector<KeptVersion>& newestFirst,
                                   const VersionPolicy& policy, const QDateTime& now);

// How the file being replaced was kept.
enum class KeptAs {
    Off,      // versions are off
    Nothing,  // no file there, an empty one, the bytes about to be written, or kept already
    Linked,   // a hard link to it (same file system, no bytes copied)
    Copied,   // a copy through the crash-safe writer
    Failed,   // the versions folder or the copy could not be made
};

// Keeps the data file at dataPath as a version, right before it is replaced by the size bytes at
// data: a hard link where the versions folder is on the same file system, else a copy. Run under
// the data file's writers' lock.
KeptAs KeepVersion(const QString& dataPath, const char* data, qint64 size,
                   const VersionPolicy& policy);

// Keeps bytes, what the data file at dataPath held earlier, as a version: the file as last loaded
// when it was replaced elsewhere (a sync tool, another machine) and is now merged or read again,
// so that what the other side deleted can be taken back. Nothing when the newest version holds the
// same bytes. Takes the data file's writers' lock; prunes afterwards.
KeptAs KeepEarlierVersion(const QString& dataPath, const QByteArray& bytes,
                          const VersionPolicy& policy);

// Deletes the versions of the data file at dataPath that the policy no longer keeps.
void PruneVersions(const QString& dataPath, const VersionPolicy& policy);

// What a version holds as far as the key is concerned.
enum class VersionState { Opens, OtherKey, Unreadable };
VersionState VersionStateUnder(const KeptVersion& version, const QString& verifier);

// A key change: every version of the data file at dataPath that opens under oldVerifier is
// written again under newVerifier, one at a time through the crash-safe writer, so that a kill
// leaves each either under the old key or under the new, never unreadable. Versions that do not
// open under the old key are left as they are and named in the result. Before the first one, a
// note of the change is written beside them, the old verifier encrypted under the new one, and
// removed once all are done: FinishKeyChange, run with the new key by the next save or command,
// completes what a kill interrupted. A leaked old key opens neither the note nor any version.
struct VersionKeyChange {
    int rewritten = 0;
    QStringList leftAsTheyAre;  // versions that did not open under the old key
    bool complete = true;       // false when a version could not be written
};
// Writes the note; call it before the data file itself is replaced under the new key.
bool NoteKeyChange(const QString& dataPath, const QString& oldVerifier, const QString& newVerifier,
                   const VersionPolicy& policy);
VersionKeyChange ChangeVersionsKey(const QString& dataPath, const QString& oldVerifier,
                                   const QString& newVerifier, const VersionPolicy& policy);
// Completes an interrupted key change whose note opens under verifier; nothing when there is none.
void FinishKeyChange(const QString& dataPath, const QString& verifier, const VersionPolicy& policy);

// The name of the note of an unfinished key change, and of the index file, for tests.
inline constexpr char kKeyChangeNoteName[] = "key-change.dat";
inline constexpr char kIndexFileName[] = "data-file.txt";

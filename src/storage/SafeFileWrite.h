#pragma once

#include <QString>
#include <functional>

class QObject;

// Writes size bytes to path so that a crash, a kill or a power cut at any moment leaves either the
// previous file or the complete new one, never a mix, and never a second file beside it:
// - the content goes to an unnamed file in the same folder (a named partial file
//   "<name>.zetrova-partial-XXXXXX", six letters or digits, where the file system has no unnamed
//   files or /proc is missing to name one), is flushed to the disk, and replaces path in one
//   rename; the folder is then flushed too (the whole file system where the folder cannot be
//   opened for reading), so that a reported save survives a power cut;
// - the result is readable and writable by its owner only, whatever mode an earlier file had:
//   data files, settings files and exports all hold what opens the user's secrets. A replaced
//   file keeps its owner and group where the process may give them (run with sudo, the file
//   stays the user's);
// - symbolic links are followed as the kernel's protected_symlinks rule follows them (see
//   WalkToFile), chains to their end: the file at the end is written, the links stay. A link
//   another user may have planted in a shared sticky folder is refused and nothing is written;
// - only regular files are replaced: a folder, a device, a pipe or a socket at path is refused;
//   so is a file the user may not write;
// - partial files of earlier writes of the same path that were killed are removed: exactly the
//   writer's own names, the user's own regular files of mode 0600, older than a minute.
struct SafeWriteResult {
    enum class Status {
        Written,         // the new content is in place and on the disk
        NotFlushed,      // the new content is in place, but the disk did not confirm the rename
        LinkRefused,     // nothing written: a link the rule does not follow (link names it)
        NotRegularFile,  // nothing written: path names a folder, a device, a pipe or a socket
        Declined,        // nothing written: mayReplace said no
        Failed,          // nothing written: cannot create, write or rename (a full disk, the
                         // file-size limit, a read-only file or folder, a missing folder)
    };
    Status status = Status::Failed;
    QString link;

    // Whether path now holds the new content.
    bool replaced() const { return status == Status::Written || status == Status::NotFlushed; }
};

// With mayReplace, it is asked right before the rename, once the new content is complete on the
// disk: false leaves path exactly as it is, removes the new content and gives Declined.
SafeWriteResult WriteFileChecked(const QString& path, const char* data, qint64 size,
                                 const std::function<bool()>& mayReplace = {});

// The same, true when path now holds the new content; on false the previous file at path is left
// exactly as it was and nothing new remains.
bool WriteFileSafely(const QString& path, const char* data, qint64 size,
                     const std::function<bool()>& mayReplace = {});

// How many files the writes of this process have put in place so far (the new content renamed
// onto its path), whatever went wrong after: an operation stopped by a failure tells by it whether
// it had changed a file.
unsigned long long ReplacedFileCount();

// The notice for a write that did not give Written (owner may be nullptr):
// "書き込めませんでした" for Failed, nothing for Declined (the caller says why), else a notice
// naming the file or the link.
void NoticeWriteProblem(QObject* owner, const QString& path, const SafeWriteResult& result);

// The marker in the names of partial files, for tests.
inline constexpr char kPartialFileMarker[] = ".zetrova-partial-";

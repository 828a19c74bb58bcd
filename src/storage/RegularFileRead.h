#pragma once

#include <QByteArray>
#include <QString>

class QObject;

// The most the programs read of each file they are given. A data file of a million items is
// far below these; a device, a runaway file or an attack is not.
inline constexpr qint64 kDataFileSizeLimit = qint64(256) << 20;     // 256 MiB
inline constexpr qint64 kImportSizeLimit = qint64(256) << 20;       // 256 MiB
inline constexpr qint64 kSettingsFileSizeLimit = qint64(16) << 20;  // 16 MiB

struct FileReadResult {
    enum class Status {
        Read,            // bytes hold the whole file
        Missing,         // no file at path (nor a folder on the way)
        UnsafeLink,      // a link the kernel's protected_symlinks rule would not follow (link)
        Folder,          // a folder
        NotRegularFile,  // a device (/dev/zero), a pipe or a socket
        TooLarge,        // larger than the limit
        Unreadable,      // exists but cannot be read: no permission, an I/O error (error)
    };
    Status status = Status::Unreadable;
    // Read: the file's bytes, in one buffer no one else has seen; the caller wipes it when it
    // holds secrets. Empty otherwise.
    QByteArray bytes;
    QString link;
    int error = 0;

    bool ok() const { return status == Status::Read; }
    // Whether the file is missing or cannot be read as a file of the user's may not be (which
    // the data file and an import take without a word of their own), rather than refused as
    // something no user means to give: a device, a pipe, a planted link, a runaway size.
    bool missingOrUnreadable() const {
        return status == Status::Missing || status == Status::Unreadable ||
               status == Status::Folder;
    }
};

// Reads the regular file at path, at most limit bytes, without ever blocking: opened
// non-blocking, links followed as the writer follows them (WalkToFile) and the last one not at
// all, checked to be a regular file before a byte is read, and read with read(2) straight into
// the result, with no library buffer keeping a copy. Where the file grows while it is read, the
// outgrown buffer is wiped before it is freed.
FileReadResult ReadRegularFile(const QString& path, qint64 limit);

// Why a read did not give Read, as a phrase for a message, e.g. "通常のファイルではありません".
QString ReadProblemText(const FileReadResult& result, qint64 limit);

// The notice "%sを読み込みませんでした（%s）" naming path and the problem (owner may be
// nullptr).
void NoticeReadProblem(QObject* owner, const QString& path, const FileReadResult& result,
                       qint64 limit);

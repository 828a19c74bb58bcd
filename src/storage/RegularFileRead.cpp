#include "storage/RegularFileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

#include "diag/MessageBoxes.h"
#include "diag/SecureWipe.h"
#include "storage/PathWalk.h"
#include "storage/UniqueFd.h"

namespace {

using Status = FileReadResult::Status;

constexpr qint64 kFirstBuffer = 64 * 1024;

FileReadResult Result(Status status, int error = 0) {
    FileReadResult result;
    result.status = status;
    result.error = error;
    return result;
}

Status StatusOfError(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return Status::Missing;
        case EISDIR:
            return Status::Folder;
        default:
            return Status::Unreadable;
    }
}

// A bigger buffer holding what buffer holds; the old one is wiped before it is freed.
void Grow(QByteArray& buffer, qint64 used, qint64 size) {
    QByteArray bigger(size, Qt::Uninitialized);
    std::memcpy(bigger.data(), buffer.constData(), static_cast<size_t>(used));
    Wipe(buffer);
    buffer = bigger;
}

}  // namespace

FileReadResult ReadRegularFile(const QString& path, qint64 limit) {
    const WalkedPath walked = WalkToFile(path);
    if (walked.status == WalkedPath::Status::UnsafeLink) {
        FileReadResult refused = Result(Status::UnsafeLink);
        refused.link = walked.refusedLink;
        return refused;
    }
    if (walked.status != WalkedPath::Status::Found) return Result(StatusOfError(walked.error));

    // Checked before it is opened: opening a device may already do something.
    struct stat st {};
    if (::fstatat(walked.folder.get(), walked.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Result(StatusOfError(errno), errno);
    if (S_ISDIR(st.st_mode)) return Result(Status::Folder);
    if (!S_ISREG(st.st_mode)) return Result(Status::NotRegularFile);
    const UniqueFd fd(::openat(walked.folder.get(), walked.name.constData(),
                               O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) return Result(StatusOfError(errno), errno);
    // What was opened, which may have been swapped in meanwhile.
    if (::fstat(fd.get(), &st) != 0) return Result(Status::Unreadable, errno);
    if (!S_ISREG(st.st_mode)) return Result(Status::NotRegularFile);
    if (st.st_size > limit) return Result(Status::TooLarge);

    // One more byte than the file's size tells at once whether it has grown meanwhile. A size
    // of 0 may also be a file whose size is not known before it is read.
    QByteArray buffer(st.st_size > 0 ? st.st_size + 1 : std::min(kFirstBuffer, limit + 1),
                      Qt::Uninitialized);
    qint64 used = 0;
    while (true) {
        if (used == buffer.size()) {
            if (used > limit) {
                Wipe(buffer);
                return Result(Status::TooLarge);
            }
            Grow(buffer, used, std::min(used * 2, limit + 1));
        }
        const ssize_t n =
            ::read(fd.get(), buffer.data() + used, static_cast<size_t>(buffer.size() - used));
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            Wipe(buffer);
            return Result(Status::Unreadable, error);
        }
        if (n == 0) break;
        used += n;
    }
    if (used > limit) {
        Wipe(buffer);
        return Result(Status::TooLarge);
    }
    buffer.truncate(used);
    FileReadResult read = Result(Status::Read);
    read.bytes = buffer;
    return read;
}

QString ReadProblemText(const FileReadResult& result, qint64 limit) {
    switch (result.status) {
        case Status::Read:
            return {};
        case Status::Missing:
            return QStringLiteral("ファイルがありません");
        case Status::UnsafeLink:
            return FormatText(u"%sは共有フォルダーにある他のユーザーのシンボリックリンクです",
                              {result.link});
        case Status::Folder:
            return QStringLiteral("フォルダーです");
        case Status::NotRegularFile:
            return QStringLiteral("通常のファイルではありません");
        case Status::TooLarge:
            return FormatText(u"上限の%s MiBより大きいファイルです",
                              {QString::number(limit >> 20)});
        case Status::Unreadable:
            break;
    }
    if (result.error == EACCES || result.error == EPERM)
        return QStringLiteral("読み取りが許されていません");
    return FormatText(u"読み取りに失敗しました: %s",
                      {QString::fromLocal8Bit(std::strerror(result.error))});
}

void NoticeReadProblem(QObject* owner, const QString& path, const FileReadResult& result,
                       qint64 limit) {
    Notice(owner, u"%sを読み込みませんでした（%s）", path, ReadProblemText(result, limit));
}

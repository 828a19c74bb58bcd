#include "SafeFileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

namespace {

// Partial files younger than this may belong to a write still under way in another process (the
// command-line tool beside the desktop program); older ones were left by a write that was killed.
constexpr qint64 kStalePartialSeconds = 60;

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

// The file the bytes go to: the target of a symbolic link (followed to its end), else path.
QString ResolvedTarget(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink()) return path;
    const QString target = info.canonicalFilePath();
    // A dangling link: its target is created.
    return target.isEmpty() ? info.absoluteDir().absoluteFilePath(info.symLinkTarget()) : target;
}

void RemoveStalePartials(const QFileInfo& target) {
    // Compared as text, not as a wildcard pattern: the name may hold '*', '?' or '['.
    const QString prefix = target.fileName() + QLatin1String(kPartialFileMarker);
    const QDateTime staleBefore = QDateTime::currentDateTimeUtc().addSecs(-kStalePartialSeconds);
    const QDir dir = target.absoluteDir();
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (entry.fileName().startsWith(prefix) && !entry.isSymLink() &&
            entry.lastModified().toUTC() < staleBefore)
            QFile::remove(entry.absoluteFilePath());
    }
}

bool WriteAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

QString RandomSuffix() {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(kLetters[QRandomGenerator::system()->bounded(62)]);
    return suffix;
}

// The file being written: an unnamed file of the folder, or a named partial file.
class PartialFile {
public:
    explicit PartialFile(const QFileInfo& target) : target_(target) {
        const QByteArray dir = Native(target.absolutePath());
        fd_ = ::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd_ >= 0) return;
        for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
            name_ = target.absoluteFilePath() + QLatin1String(kPartialFileMarker) + RandomSuffix();
            fd_ = ::open(Native(name_).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) name_.clear();
    }

    ~PartialFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!name_.isEmpty()) ::unlink(Native(name_).constData());
    }

    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    bool write(const char* data, qint64 size) {
        // The mode is set on the open file, before any byte is in it.
        return ::fchmod(fd_, 0600) == 0 && WriteAll(fd_, data, size) && ::fsync(fd_) == 0;
    }

    // Puts the written file in place of the target: an unnamed file gets a partial name first,
    // then one rename replaces the target.
    bool replaceTarget() {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
        for (int attempt = 0; attempt < 16 && name_.isEmpty(); ++attempt) {
            const QString name =
                target_.absoluteFilePath() + QLatin1String(kPartialFileMarker) + RandomSuffix();
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, Native(name).constData(),
                         AT_SYMLINK_FOLLOW) == 0)
                name_ = name;
            else if (errno != EEXIST)
                return false;
        }
        if (name_.isEmpty()) return false;
        if (::rename(Native(name_).constData(), Native(target_.absoluteFilePath()).constData()) !=
            0)
            return false;
        name_.clear();
        return true;
    }

private:
    QFileInfo target_;
    int fd_ = -1;
    QString name_;
};

// Flushes the folder's entries, so that the rename itself is on the disk. A file system that
// cannot flush a folder says EINVAL; it has nothing to flush.
bool SyncFolder(const QString& folder) {
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return synced;
}

}  // namespace

bool WriteFileSafely(const QString& path, const char* data, qint64 size,
                     const std::function<bool()>& mayReplace) {
    if (path.isEmpty() || size < 0) return false;
    const QFileInfo target(ResolvedTarget(path));
    // A folder, or a file the user made read-only, is never replaced.
    if (target.isDir() || (target.exists() && !target.isWritable())) return false;
    RemoveStalePartials(target);
    PartialFile file(target);
    if (!file.isOpen() || !file.write(data, size)) return false;
    if (mayReplace && !mayReplace()) return false;
    if (!file.replaceTarget()) return false;
    return SyncFolder(target.absolutePath());
}

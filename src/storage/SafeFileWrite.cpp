#include "storage/SafeFileWrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRandomGenerator>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <optional>

#include "diag/MessageBoxes.h"
#include "storage/PathWalk.h"
#include "storage/UniqueFd.h"

namespace {

using Status = SafeWriteResult::Status;

// Partial files younger than this may belong to a write still under way in another process (the
// command-line tool beside the desktop program); older ones were left by a write that was killed.
constexpr time_t kStalePartialSeconds = 60;
constexpr int kSuffixLength = 6;
constexpr char kSuffixLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr int kNameAttempts = 16;

std::atomic<unsigned long long> replacedFiles{0};

QByteArray RandomSuffix() {
    QByteArray suffix;
    for (int i = 0; i < kSuffixLength; ++i)
        suffix += kSuffixLetters[QRandomGenerator::system()->bounded(62)];
    return suffix;
}

bool IsSuffixLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Whether name is one the writer gives partial files of the file whose names start with prefix.
bool IsPartialName(const char* name, const QByteArray& prefix) {
    const QByteArrayView entry(name);
    if (entry.size() != prefix.size() + kSuffixLength || !entry.startsWith(prefix)) return false;
    for (const char c : entry.sliced(prefix.size()))
        if (!IsSuffixLetter(c)) return false;
    return true;
}

// Removes what killed writes of the same file left: the writer's own names only, and only the
// user's own regular files of mode 0600, never a file of the user's that merely looks alike.
void RemoveStalePartials(int readableFolder, const QByteArray& prefix) {
    DIR* dir = ::fdopendir(::dup(readableFolder));
    if (!dir) return;
    const time_t staleBefore = std::time(nullptr) - kStalePartialSeconds;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsPartialName(entry->d_name, prefix)) continue;
        struct stat st {};
        if (::fstatat(readableFolder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 07777) == 0600 &&
            st.st_mtime < staleBefore)
            ::unlinkat(readableFolder, entry->d_name, 0);
    }
    ::closedir(dir);
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

// The file being written, in the target's folder: unnamed until it is complete, or named from
// the start where unnamed files are not to be had.
class PartialFile {
public:
    PartialFile(int folder, QByteArray prefix) : folder_(folder), prefix_(std::move(prefix)) {}
    ~PartialFile() {
        if (!name_.isEmpty()) ::unlinkat(folder_, name_.constData(), 0);
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    bool openUnnamed() {
        fd_.reset(::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        return fd_.valid();
    }

    bool openNamed() {
        for (int attempt = 0; attempt < kNameAttempts && !fd_.valid(); ++attempt) {
            const QByteArray name = prefix_ + RandomSuffix();
            fd_.reset(
                ::openat(folder_, name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600));
            if (fd_.valid())
                name_ = name;
            else if (errno != EEXIST)
                return false;
        }
        return fd_.valid();
    }

    // The content, owner-only, with the owner and group of the file it replaces where the
    // process may give them, flushed to the disk.
    bool fill(const char* data, qint64 size, const std::optional<struct stat>& replaced) {
        if (::fchmod(fd_.get(), 0600) != 0) return false;
        if (replaced && (replaced->st_uid != ::geteuid() || replaced->st_gid != ::getegid())) {
            // Only a privileged process may give a file away; anyone may keep a group of theirs.
            // Where neither is allowed, the file stays the writer's, as a new file would.
            const bool given = ::fchown(fd_.get(), replaced->st_uid, replaced->st_gid) == 0 ||
                               ::fchown(fd_.get(), static_cast<uid_t>(-1), replaced->st_gid) == 0;
            static_cast<void>(given);
        }
        return WriteAll(fd_.get(), data, size) && ::fsync(fd_.get()) == 0;
    }

    // Whether /proc shows the unnamed file, through which giveName names it. Where it does not
    // (a chroot, a sandbox), naming by descriptor alone may be refused once the content is
    // written (kernels before 6.10 without CAP_DAC_READ_SEARCH): the content then goes to a named
    // file from the start, written once.
    bool procShowsIt() const {
        struct stat viaProc {};
        struct stat own {};
        return ::stat(SelfPath().constData(), &viaProc) == 0 && ::fstat(fd_.get(), &own) == 0 &&
               viaProc.st_dev == own.st_dev && viaProc.st_ino == own.st_ino;
    }

    // Gives an unnamed file a partial name through /proc, or by its descriptor where the process
    // may; false when neither can (no /proc in a chroot or a sandbox).
    bool giveName() {
        if (!name_.isEmpty()) return true;
        const QByteArray self = SelfPath();
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            const QByteArray name = prefix_ + RandomSuffix();
            if (::linkat(AT_FDCWD, self.constData(), folder_, name.constData(),
                         AT_SYMLINK_FOLLOW) == 0 ||
                (errno != EEXIST &&
                 ::linkat(fd_.get(), "", folder_, name.constData(), AT_EMPTY_PATH) == 0)) {
                name_ = name;
                return true;
            }
            if (errno != EEXIST) return false;
        }
        return false;
    }

    bool renameOnto(const QByteArray& target) {
        if (::renameat(folder_, name_.constData(), folder_, target.constData()) != 0) return false;
        name_.clear();
        return true;
    }

    int fd() const { return fd_.get(); }

private:
    QByteArray SelfPath() const { return "/proc/self/fd/" + QByteArray::number(fd_.get()); }

    int folder_;
    QByteArray prefix_;
    UniqueFd fd_;
    QByteArray name_;
};

SafeWriteResult Result(Status status, const QString& link = {}) {
    SafeWriteResult result;
    result.status = status;
    result.link = link;
    return result;
}

}  // namespace

SafeWriteResult WriteFileChecked(const QString& path, const char* data, qint64 size,
                                 const std::function<bool()>& mayReplace) {
    if (path.isEmpty() || size < 0 || (!data && size > 0)) return Result(Status::Failed);
    const WalkedPath walked = WalkToFile(path);
    if (walked.status == WalkedPath::Status::UnsafeLink)
        return Result(Status::LinkRefused, walked.refusedLink);
    if (walked.status != WalkedPath::Status::Found)
        return Result(walked.error == EISDIR ? Status::NotRegularFile : Status::Failed);
    const int folder = walked.folder.get();
    const QByteArray& name = walked.name;

    std::optional<struct stat> replaced;
    struct stat st {};
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISREG(st.st_mode)) return Result(Status::NotRegularFile);
        // A file the user made read-only is never replaced.
        if (::faccessat(folder, name.constData(), W_OK, AT_EACCESS) != 0)
            return Result(Status::Failed);
        replaced = st;
    } else if (errno != ENOENT) {
        return Result(Status::Failed);
    }

    // The folder is opened for its flush before anything changes, so that what is reported is
    // what happened. A folder the user may write and search but not read (mode 0300) cannot be
    // opened: the file system is flushed instead.
    const UniqueFd readableFolder(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!readableFolder.valid() && errno != EACCES) return Result(Status::Failed);

    const QByteArray prefix = name + kPartialFileMarker;
    if (readableFolder.valid()) RemoveStalePartials(readableFolder.get(), prefix);

    std::optional<PartialFile> file;
    file.emplace(folder, prefix);
    // An unnamed file that could not be named is given up before anything is written to it.
    const bool unnamed = file->openUnnamed() && file->procShowsIt();
    if (!unnamed) file.emplace(folder, prefix);
    if (unnamed) {
        if (!file->fill(data, size, replaced)) return Result(Status::Failed);
        if (!file->giveName()) {
            // Naming it failed after all: write a named one instead.
            file.emplace(folder, prefix);
            if (!file->openNamed() || !file->fill(data, size, replaced))
                return Result(Status::Failed);
        }
    } else if (!file->openNamed() || !file->fill(data, size, replaced)) {
        return Result(Status::Failed);
    }
    if (mayReplace && !mayReplace()) return Result(Status::Declined);
    if (!file->renameOnto(name)) return Result(Status::Failed);
    ++replacedFiles;

    // A file system that cannot flush a folder says EINVAL; it has nothing to flush.
    const bool flushed = readableFolder.valid()
                             ? ::fsync(readableFolder.get()) == 0 || errno == EINVAL
                             : ::syncfs(file->fd()) == 0;
    return Result(flushed ? Status::Written : Status::NotFlushed);
}

unsigned long long ReplacedFileCount() {
    return replacedFiles;
}

bool WriteFileSafely(const QString& path, const char* data, qint64 size,
                     const std::function<bool()>& mayReplace) {
    return WriteFileChecked(path, data, size, mayReplace).replaced();
}

void NoticeWriteProblem(QObject* owner, const QString& path, const SafeWriteResult& result) {
    switch (result.status) {
        case Status::Written:
        case Status::Declined:
            return;
        case Status::NotFlushed:
            Notice(owner, u"%sを書き換えましたが、ディスクへの書き込みを確かめられませんでした",
                   path);
            return;
        case Status::LinkRefused:
            Notice(owner,
                   u"%sは共有フォルダーにある他のユーザーのシンボリックリンクのため、"
                   u"書き込みませんでした",
                   result.link);
            return;
        case Status::NotRegularFile:
            Notice(owner, u"%sは通常のファイルではないため、書き込みませんでした", path);
            return;
        case Status::Failed:
            Notice(owner, u"書き込めませんでした");
            return;
    }
}

#include "storage/DataFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "diag/MessageBoxes.h"
#include "storage/PathWalk.h"
#include "storage/Sha256.h"
#include "storage/UniqueFd.h"

namespace {

using Status = DataFileLock::Status;
using Clock = std::chrono::steady_clock;

// How long a writer waits for another one: a save takes a fraction of a second, so a lock held
// longer belongs to a writer that is waiting for its user (a value typed at a terminal).
constexpr int kWaitMilliseconds = 5000;
constexpr auto kPollInterval = std::chrono::milliseconds(10);

// Tests shorten the wait through the environment; nothing lengthens it.
std::chrono::milliseconds LockWait() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("ZETROVA_TEST_LOCK_WAIT_MS", &ok);
    return std::chrono::milliseconds(ok && ms >= 0 && ms < kWaitMilliseconds ? ms
                                                                             : kWaitMilliseconds);
}

// A folder fit for lock files: a folder of the user's own that no one else may enter or change.
bool IsPrivateFolder(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

UniqueFd OpenFolderNoLink(int at, const char* name) {
    return UniqueFd(::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// The private folder name in parent, made (0700) when missing; invalid when it is a link, not a
// folder, not the user's own, or open to others.
UniqueFd PrivateSubfolder(int parent, const char* name) {
    if (parent < 0 || (::mkdirat(parent, name, 0700) != 0 && errno != EEXIST)) return {};
    UniqueFd fd = OpenFolderNoLink(parent, name);
    return fd.valid() && IsPrivateFolder(fd.get()) ? std::move(fd) : UniqueFd();
}

struct LockFolder {
    UniqueFd fd;
    QString path;  // the last place looked at, to name it when none was fit
};

// The folder the lock files go in. The runtime folder is the user's own and lives in memory for
// the session; /run/user/UID is the same folder for programs started without the session's
// environment (cron, a login shell over ssh). Without either, a private folder in /tmp, whose
// sticky bit keeps other users from moving it away.
LockFolder OpenLockFolder() {
    const QByteArray uid = QByteArray::number(::geteuid());
    QList<QByteArray> runtimeFolders;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/')) runtimeFolders << runtime;
    runtimeFolders << "/run/user/" + uid;
    LockFolder found;
    for (const QByteArray& base : runtimeFolders) {
        const UniqueFd baseFd = OpenFolderNoLink(AT_FDCWD, base.constData());
        found.path = QFile::decodeName(base + "/zetrova/locks");
        if (!baseFd.valid() || !IsPrivateFolder(baseFd.get())) continue;
        found.fd = PrivateSubfolder(PrivateSubfolder(baseFd.get(), "zetrova").get(), "locks");
        if (found.fd.valid()) return found;
    }
    const UniqueFd tmp(::open("/tmp", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    const QByteArray own = "zetrova-" + uid;
    found.path = QFile::decodeName("/tmp/" + own + "/locks");
    if (tmp.valid() && ::fstat(tmp.get(), &st) == 0 &&
        ((st.st_mode & S_ISVTX) != 0 || (st.st_mode & 022) == 0))
        found.fd = PrivateSubfolder(PrivateSubfolder(tmp.get(), own.constData()).get(), "locks");
    return found;
}

// The lock file's name: the digest of the folder the writer reaches the data file in (device and
// inode, whatever links or mounts led there) and the file's name in it, so that every path to one
// data file names one lock, and a data file that does not exist yet has its lock too.
QByteArray LockFileName(const QString& dataFilePath) {
    const WalkedPath walked = WalkToFile(dataFilePath);
    struct stat st {};
    QByteArray identity;
    if (walked.status == WalkedPath::Status::Found && ::fstat(walked.folder.get(), &st) == 0)
        identity =
            QByteArray::number(st.st_dev) + ':' + QByteArray::number(st.st_ino) + '/' + walked.name;
    else  // not to be written anyway; still one name for one path
        identity = QFile::encodeName(QFileInfo(dataFilePath).absoluteFilePath());
    return Sha256Of(identity.constData(), identity.size()).toHex().left(32) + ".lock";
}

// Opens and locks the lock file name in folder, waiting until deadline.
Status LockFile(int folder, const QByteArray& name, Clock::time_point deadline, UniqueFd& locked) {
    while (true) {
        UniqueFd fd(
            ::openat(folder, name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
        struct stat own {};
        if (!fd.valid() || ::fstat(fd.get(), &own) != 0 || !S_ISREG(own.st_mode) ||
            own.st_uid != ::geteuid())
            return Status::Unavailable;
        while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR) continue;
            if (errno != EWOULDBLOCK) return Status::Unavailable;
            if (Clock::now() >= deadline) return Status::Busy;
            std::this_thread::sleep_for(kPollInterval);
        }
        // The lock counts only on the file that has the name now; a file removed meanwhile (a
        // cleaner of /tmp) is locked in vain, and the name is opened again.
        struct stat named {};
        if (::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == own.st_dev && named.st_ino == own.st_ino) {
            locked = std::move(fd);
            return Status::Held;
        }
    }
}

// The locks this process holds, by lock file name, with how many holders each has.
struct HeldLock {
    UniqueFd fd;
    int holders = 0;
};
std::mutex heldMutex;
std::map<QByteArray, HeldLock>& HeldLocks() {
    static std::map<QByteArray, HeldLock> held;
    return held;
}

}  // namespace

DataFileLock::DataFileLock(const QString& dataFilePath) {
    const QByteArray name = LockFileName(dataFilePath);
    {
        const std::lock_guard guard(heldMutex);
        const auto it = HeldLocks().find(name);
        if (it != HeldLocks().end()) {
            ++it->second.holders;
            key_ = name;
            status_ = Status::Held;
            return;
        }
    }
    const Clock::time_point deadline = Clock::now() + LockWait();
    LockFolder folder = OpenLockFolder();
    UniqueFd locked;
    status_ =
        folder.fd.valid() ? LockFile(folder.fd.get(), name, deadline, locked) : Status::Unavailable;
    if (status_ != Status::Held) {
        folder_ = folder.path;
        return;
    }
    const std::lock_guard guard(heldMutex);
    HeldLocks()[name] = HeldLock{std::move(locked), 1};
    key_ = name;
}

DataFileLock::DataFileLock(DataFileLock&& other) noexcept
    : status_(std::exchange(other.status_, Status::NotTaken)),
      key_(std::move(other.key_)),
      folder_(std::move(other.folder_)) {}

DataFileLock& DataFileLock::operator=(DataFileLock&& other) noexcept {
    if (this != &other) {
        release();
        status_ = std::exchange(other.status_, Status::NotTaken);
        key_ = std::move(other.key_);
        folder_ = std::move(other.folder_);
    }
    return *this;
}

void DataFileLock::release() {
    if (status_ == Status::Held) {
        const std::lock_guard guard(heldMutex);
        const auto it = HeldLocks().find(key_);
        // The descriptor's closing releases the lock.
        if (it != HeldLocks().end() && --it->second.holders == 0) HeldLocks().erase(it);
    }
    status_ = Status::NotTaken;
    key_.clear();
}

void NoticeLockProblem(QObject* owner, const QString& dataFilePath, const DataFileLock& lock) {
    if (lock.status() == Status::Busy)
        Notice(owner, u"%sはほかのプログラムが書き込み中のため、書き込みませんでした",
               dataFilePath);
    else
        Notice(owner, u"%sのロックファイルを%sに作れないため、書き込みませんでした", dataFilePath,
               lock.folder());
}

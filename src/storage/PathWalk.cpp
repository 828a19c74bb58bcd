#include "storage/PathWalk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <deque>

namespace {

constexpr int kMaxLinks = 40;  // the kernel's own limit

WalkedPath Failure(int error) {
    WalkedPath walked;
    walked.status = WalkedPath::Status::Failed;
    walked.error = error;
    return walked;
}

UniqueFd OpenFolder(int at, const char* name) {
    return UniqueFd(::openat(at, name, O_PATH | O_DIRECTORY | O_CLOEXEC));
}

// The components of a path in order, without empty ones ("a//b" is "a/b").
void PushComponents(const QByteArray& path, std::deque<QByteArray>& parts) {
    const QList<QByteArray> pieces = path.split('/');
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it)
        if (!it->isEmpty()) parts.push_front(*it);
}

// The target of the link open as linkFd (an O_PATH descriptor of the link itself), read from the
// descriptor, so that it is the link that was checked.
bool ReadLink(int linkFd, QByteArray& target) {
    QByteArray buffer(PATH_MAX, '\0');
    const ssize_t n = ::readlinkat(linkFd, "", buffer.data(), static_cast<size_t>(buffer.size()));
    if (n <= 0 || n >= buffer.size()) return false;
    target = buffer.left(n);
    return true;
}

// The rule itself: whether a link with the owner linkOwner in a folder described by folderMode
// and folderOwner may be followed by the user follower.
bool MayFollowLink(unsigned folderMode, unsigned folderOwner, unsigned linkOwner,
                   unsigned follower) {
    if (linkOwner == follower) return true;
    if ((folderMode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH)) return true;
    return folderOwner == linkOwner;
}

}  // namespace

WalkedPath WalkToFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty()) return Failure(ENOENT);
    std::deque<QByteArray> parts;
    PushComponents(native, parts);
    bool endsAsFolder = native.endsWith('/');
    // The folders walked so far, as text, to name a refused link.
    QByteArray shown = native.startsWith('/') ? QByteArray("/") : QByteArray();
    UniqueFd folder = OpenFolder(AT_FDCWD, native.startsWith('/') ? "/" : ".");
    if (!folder.valid()) return Failure(errno);
    int links = 0;

    while (!parts.empty()) {
        const QByteArray name = parts.front();
        parts.pop_front();
        const bool last = parts.empty();
        if (name == "." || name == "..") {
            if (last) return Failure(EISDIR);
            if (name == "..") {
                folder = OpenFolder(folder.get(), "..");
                if (!folder.valid()) return Failure(errno);
            }
            shown += name + '/';
            continue;
        }

        UniqueFd entry(::openat(folder.get(), name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!entry.valid()) {
            // A file that does not exist yet is where a write creates it.
            if (errno == ENOENT && last && !endsAsFolder) {
                WalkedPath found;
                found.status = WalkedPath::Status::Found;
                found.folder = std::move(folder);
                found.name = name;
                return found;
            }
            return Failure(errno);
        }
        if (::fstat(entry.get(), &st) != 0) return Failure(errno);

        if (S_ISLNK(st.st_mode)) {
            struct stat folderStat {};
            if (::fstat(folder.get(), &folderStat) != 0) return Failure(errno);
            if (!MayFollowLink(folderStat.st_mode, folderStat.st_uid, st.st_uid, ::geteuid())) {
                WalkedPath refused;
                refused.status = WalkedPath::Status::UnsafeLink;
                refused.refusedLink = QFile::decodeName(shown + name);
                return refused;
            }
            if (++links > kMaxLinks) return Failure(ELOOP);
            QByteArray target;
            if (!ReadLink(entry.get(), target)) return Failure(ENOENT);
            if (last && target.endsWith('/')) endsAsFolder = true;
            PushComponents(target, parts);
            if (target.startsWith('/')) {
                folder = OpenFolder(AT_FDCWD, "/");
                if (!folder.valid()) return Failure(errno);
                shown = "/";
            }
            continue;
        }

        if (last && !endsAsFolder) {
            WalkedPath found;
            found.status = WalkedPath::Status::Found;
            found.folder = std::move(folder);
            found.name = name;
            return found;
        }
        if (!S_ISDIR(st.st_mode)) return Failure(ENOTDIR);
        if (last) return Failure(EISDIR);
        folder = std::move(entry);
        shown += name + '/';
    }
    // "/" itself, or a path of only "." and "/".
    return Failure(EISDIR);
}

#include "storage/SameFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>

#include "storage/PathWalk.h"

namespace {

bool SameInode(const struct stat& first, const struct stat& second) {
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Where a walk ended: the folder and, when it exists there, the file.
struct Place {
    struct stat folder {};
    bool exists = false;
    struct stat file {};
};

bool PlaceOf(const WalkedPath& walked, Place& place) {
    if (walked.status != WalkedPath::Status::Found) return false;
    if (::fstat(walked.folder.get(), &place.folder) != 0) return false;
    place.exists = ::fstatat(walked.folder.get(), walked.name.constData(), &place.file,
                             AT_SYMLINK_NOFOLLOW) == 0;
    return true;
}

}  // namespace

bool IsSameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const WalkedPath first = WalkToFile(a);
    const WalkedPath second = WalkToFile(b);
    Place firstPlace;
    Place secondPlace;
    if (PlaceOf(first, firstPlace) && PlaceOf(second, secondPlace)) {
        if (SameInode(firstPlace.folder, secondPlace.folder) && first.name == second.name)
            return true;
        return firstPlace.exists && secondPlace.exists &&
               SameInode(firstPlace.file, secondPlace.file);
    }
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
           QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

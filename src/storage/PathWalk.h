#pragma once

#include <QByteArray>
#include <QString>

#include "storage/UniqueFd.h"

// Where a path leads, its symbolic links followed one by one the way the kernel follows them
// when fs.protected_symlinks is on, whatever the machine's setting: a link that lies in a folder
// both sticky and world-writable (/tmp, a shared drop folder) is followed only when it belongs to
// the user or to that folder's owner. Anyone may plant a link there; following it would let
// another user choose which of this user's files is read or replaced.
//
// Every component is followed, a link's target is walked the same way (chains to their end), at
// most 40 links. The path is never made canonical first, so the rule cannot be bypassed, and the
// file is reached through descriptors, so a link swapped in after the check is never followed.
struct WalkedPath {
    enum class Status {
        Found,       // folder and name hold where the file is (or would be created)
        UnsafeLink,  // refusedLink is a link the rule does not follow
        Failed,      // a folder on the way is missing or not a folder, a loop; error holds errno
    };
    Status status = Status::Failed;
    // The folder holding the file, opened with O_PATH.
    UniqueFd folder;
    // The file's name in folder; never a symbolic link when walked, and it may not exist yet.
    QByteArray name;
    // UnsafeLink: the link not followed, as the walk reached it.
    QString refusedLink;
    int error = 0;
};

// Walks path (relative paths from the current folder) to the file it names. A path ending in
// "/", ".", ".." or naming "/" names a folder: Failed with EISDIR.
WalkedPath WalkToFile(const QString& path);

#pragma once

#include <QString>
#include <QStringList>

// Sync tools (Syncthing, Nextcloud and ownCloud, Dropbox) that find a file changed on two machines
// at once keep one version under the file's name and put the other beside it under a name of
// their own, e.g. for "Zetrova.dat":
//   Zetrova.sync-conflict-20261209-101500-ABCDEFG.dat        (Syncthing)
//   Zetrova (conflicted copy 2026-12-09 101500).dat          (Nextcloud)
//   Zetrova_conflict-20261209-101500.dat                     (ownCloud)
//   Zetrova (host's conflicted copy 2026-12-09).dat          (Dropbox, also with " (1)" inside)

// Whether fileName (a name without folder) is such a copy of the file called dataFileName.
bool IsConflictCopyName(const QString& dataFileName, const QString& fileName);

// The conflict copies of the data file that lie beside it, as full paths sorted by name; regular
// files only.
QStringList FindConflictCopies(const QString& dataFilePath);

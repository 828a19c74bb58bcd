#pragma once

#include <QString>
#include <functional>

// Writes size bytes to path so that a crash, a kill or a power cut at any moment leaves either the
// previous file or the complete new one, never a mix, and never a second file beside it:
// - the content goes to an unnamed file in the same folder (a named temporary file
//   "<name>.zetrova-partial-XXXXXX" where the file system has no unnamed files), is flushed to
//   the disk, and replaces path in one rename; the folder is then flushed too, so that a
//   reported save survives a power cut;
// - the result is readable and writable by its owner only, whatever mode an earlier file had:
//   data files, settings files and exports all hold what opens the user's secrets;
// - a path that is a symbolic link writes the file it points to, the link stays;
// - partial files of earlier writes of the same path that were killed are removed.
// False when the file cannot be created, written (a full disk, the file-size limit) or renamed;
// the previous file at path is then left exactly as it was and nothing new remains.
// With mayReplace, it is asked right before the rename, once the new content is complete on the
// disk: false leaves path exactly as it is, removes the new content and gives false.
bool WriteFileSafely(const QString& path, const char* data, qint64 size,
                     const std::function<bool()>& mayReplace = {});

// The marker in the names of partial files, for tests.
inline constexpr char kPartialFileMarker[] = ".zetrova-partial-";

#pragma once

#include <QString>

// Writes size bytes to path through a temporary file in the same folder, which replaces path only
// once everything has reached it. False when the file cannot be created, written or renamed; the
// previous file at path is then left exactly as it was and no temporary file remains.
// An existing file keeps its permissions; a new one is readable and writable by its owner only,
// since data files and exports hold the user's secrets.
bool WriteFileSafely(const QString& path, const char* data, qint64 size);

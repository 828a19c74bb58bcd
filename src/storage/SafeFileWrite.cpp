#include "SafeFileWrite.h"

#include <QFileInfo>
#include <QSaveFile>

bool WriteFileSafely(const QString& path, const char* data, qint64 size) {
    const bool existed = QFileInfo::exists(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!existed) file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // QSaveFile::commit() does not see an error of the final flush of its buffer, so the buffer
    // is flushed and checked here first.
    if (file.write(data, size) != size || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

#include "SafeFileWrite.h"

#include <QSaveFile>

bool WriteFileSafely(const QString& path, const char* data, qint64 size) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    // QSaveFile::commit() does not see an error of the final flush of its buffer, so the buffer
    // is flushed and checked here first.
    if (file.write(data, size) != size || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

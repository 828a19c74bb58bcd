#include "app/SingleInstanceGuard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace {

QString DefaultLockDirectory() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir;
}

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString& key, const QString& lockDirectory) {
    // The title is Japanese with a blank; a hash of it makes a plain file name.
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    const QString dir = lockDirectory.isEmpty() ? DefaultLockDirectory() : lockDirectory;
    lockPath_ =
        QDir(dir).filePath(QStringLiteral("zetrova-%1.lock").arg(QString::fromLatin1(hash)));
}

SingleInstanceGuard::~SingleInstanceGuard() = default;

bool SingleInstanceGuard::acquire() {
    if (lock_) return true;
    auto lock = std::make_unique<QLockFile>(lockPath_);
    // Only a lock whose process is gone counts as stale, never one by its age.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) return false;
    lock_ = std::move(lock);
    return true;
}

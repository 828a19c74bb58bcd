#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

// Makes a folder unwritable for the lifetime of the object. Permission bits do not stop the
// superuser, so when they are not enough the folder is made immutable with chattr. usable() is
// false when neither works (the test is then skipped).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : path_(path) {
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner);
        if (!canWrite()) {
            usable_ = true;
            return;
        }
        immutable_ =
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path_}) == 0;
        usable_ = immutable_ && !canWrite();
    }
    ~ReadOnlyFolder() {
        if (immutable_) QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path_});
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool usable() const { return usable_; }

private:
    bool canWrite() const {
        QFile probe(QDir(path_).filePath(QStringLiteral(".probe")));
        if (!probe.open(QIODevice::WriteOnly)) return false;
        probe.close();
        probe.remove();
        return true;
    }

    QString path_;
    bool immutable_ = false;
    bool usable_ = false;
};

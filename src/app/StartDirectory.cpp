#include "app/StartDirectory.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

const QString& StartDirectory() {
    static const QString captured = QDir::currentPath();
    return captured;
}

QString PerUserDataFolder(const QString& xdgDataHome, const QString& home) {
    const QString base =
        QDir::isAbsolutePath(xdgDataHome) ? xdgDataHome : home + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/zetrova"));
}

QString ChosenFolder(const ProgramOptions& options, const QString& currentFolder,
                     const QString& xdgDataHome, const QString& home) {
    switch (options.folder) {
        case ProgramOptions::Folder::Current:
            return QDir::cleanPath(currentFolder);
        case ProgramOptions::Folder::PerUser:
            return PerUserDataFolder(xdgDataHome, home);
        case ProgramOptions::Folder::Named:
            break;
    }
    QString named = options.namedFolder;
    // "--folder=~/x" reaches the program unexpanded by the shell.
    if (named == u'~' || named.startsWith(QStringLiteral("~/"))) named = home + named.mid(1);
    return QDir::cleanPath(QDir(currentFolder).absoluteFilePath(named));
}

bool MakePrivateFolder(const QString& path) {
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    if (QFileInfo(absolute).isDir()) return true;
    const QString parent = QFileInfo(absolute).path();
    if (parent != absolute && !MakePrivateFolder(parent)) return false;
    if (::mkdir(QFile::encodeName(absolute).constData(), 0700) == 0) return true;
    // Another process may have made it meanwhile.
    return errno == EEXIST && QFileInfo(absolute).isDir();
}

bool EnterFolder(const QString& folder) {
    return MakePrivateFolder(folder) && QDir::setCurrent(folder);
}

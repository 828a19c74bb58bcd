#include "items/SyncedFolder.h"

#include <QDir>
#include <QFileInfo>

#include "diag/MessageBoxes.h"

namespace {

// The marker in folder, or an empty string.
QString MarkerIn(const QDir& folder) {
    for (const char* name : {".stfolder", ".nextcloudsync.log", ".owncloudsync.log"}) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        if (QFileInfo::exists(path)) return path;
    }
    const QString dropbox = folder.filePath(QStringLiteral(".dropbox"));
    if (QFileInfo(dropbox).isFile()) return dropbox;
    const QStringList journals =
        folder.entryList({QStringLiteral(".sync_*.db"), QStringLiteral("._sync_*.db")},
                         QDir::Files | QDir::Hidden | QDir::System);
    return journals.isEmpty() ? QString() : folder.filePath(journals.front());
}

}  // namespace

QString SyncToolMarkerAbove(const QString& settingsFile, const QString& home) {
    const QString top = QDir::cleanPath(QFileInfo(home).absoluteFilePath());
    QString folder = QDir::cleanPath(QFileInfo(settingsFile).absolutePath());
    const bool belowHome = !home.isEmpty() && (folder == top || folder.startsWith(top + u'/'));
    while (true) {
        const QString marker = MarkerIn(QDir(folder));
        if (!marker.isEmpty()) return marker;
        if ((belowHome && folder == top) || QDir(folder).isRoot()) return QString();
        const QString parent = QFileInfo(folder).path();
        if (parent == folder) return QString();
        folder = parent;
    }
}

bool NoticeSettingsInSyncedFolder(QObject* owner, const QString& settingsFile,
                                  const QString& home) {
    if (!QFileInfo::exists(settingsFile)) return false;
    const QString marker = SyncToolMarkerAbove(settingsFile, home);
    if (marker.isEmpty()) return false;
    Notice(owner, kSettingsInSyncedFolder, QFileInfo(settingsFile).absoluteFilePath(), marker);
    return true;
}

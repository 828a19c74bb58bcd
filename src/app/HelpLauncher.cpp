#include "app/HelpLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "diag/MessageBoxes.h"

QString HelpFilePath(const QString& startDirectory) {
    return startDirectory + QStringLiteral("/help/index.html");
}

QString InstalledHelpFilePath(const QString& executableFolder) {
    return QDir::cleanPath(executableFolder + QStringLiteral("/../share/zetrova/help/index.html"));
}

int CheckDocumentReadable(const QString& path) {
    const QFileInfo file(path);
    if (!QFileInfo(file.absolutePath()).isDir()) return HelpError::PathNotFound;
    if (!file.exists()) return HelpError::FileNotFound;
    if (!file.isFile()) return HelpError::AccessDenied;
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) return HelpError::AccessDenied;
    return 0;
}

const char16_t* HelpErrorFormat(int code) {
    switch (code) {
        case HelpError::FileNotFound:
            return u"ヘルプファイルが見つかりません (ERROR_FILE_NOT_FOUND)";
        case HelpError::PathNotFound:
            return u"ヘルプファイルが見つかりません (ERROR_PATH_NOT_FOUND)";
        case HelpError::AccessDenied:
            return u"ヘルプファイルへのアクセスが拒否されました (SE_ERR_ACCESSDENIED)";
        case HelpError::OutOfMemory:
            return u"十分なメモリがありません (SE_ERR_OOM)";
        case HelpError::ShareViolation:
            return u"共有違反が発生しました (SE_ERR_SHARE)";
        case HelpError::AssociationIncomplete:
            return u"ファイル名の関連付けが不完全または無効です (SE_ERR_ASSOCINCOMPLETE)";
        default:
            return u"不明なエラーが発生しました (%X)";
    }
}

int OpenHelp(const QString& startDirectory, const QString& installedHelpFile) {
    QString path = HelpFilePath(startDirectory);
    int code = CheckDocumentReadable(path);
    if (code != 0 && !installedHelpFile.isEmpty() &&
        CheckDocumentReadable(installedHelpFile) == 0) {
        path = installedHelpFile;
        code = 0;
    }
    if (code == 0) code = CurrentPrompter().openDocument(path);
    // As with the desktop's "open", any value from 32 up means success.
    if (code == 0 || code >= 32) return 0;
    // The code fills the one format that has a placeholder; the others ignore it.
    Notice(nullptr, HelpErrorFormat(code), code);
    return code;
}

#include "ConflictCopies.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

bool IsConflictCopyName(const QString& dataFileName, const QString& fileName) {
    if (dataFileName.isEmpty() || fileName == dataFileName) return false;
    // The tools put their mark between the name and its last extension ("Zetrova" and ".dat").
    const qsizetype dot = dataFileName.lastIndexOf(u'.');
    const bool hasExtension = dot > 0;
    const QString stem =
        QRegularExpression::escape(hasExtension ? dataFileName.left(dot) : dataFileName);
    const QString extension =
        hasExtension ? QRegularExpression::escape(dataFileName.mid(dot)) : QString();
    static const QStringList marks = {
        QStringLiteral("\\.sync-conflict-\\d{8}-\\d{6}-[0-9A-Z]{7}"),
        QStringLiteral(" \\(conflicted copy \\d{4}-\\d{2}-\\d{2} \\d{6}\\)"),
        QStringLiteral("_conflict-\\d{8}-\\d{6}"),
        QStringLiteral(
            " \\([^()/]+['\u2019]s conflicted copy \\d{4}-\\d{2}-\\d{2}( \\(\\d+\\))?\\)"),
    };
    for (const QString& mark : marks) {
        const QRegularExpression pattern(QStringLiteral("\\A") + stem + mark + extension +
                                         QStringLiteral("\\z"));
        if (pattern.match(fileName).hasMatch()) return true;
    }
    return false;
}

QStringList FindConflictCopies(const QString& dataFilePath) {
    const QFileInfo data(dataFilePath);
    const QString name = data.fileName();
    QStringList copies;
    const QFileInfoList entries =
        data.dir().entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries)
        if (IsConflictCopyName(name, entry.fileName())) copies.append(entry.absoluteFilePath());
    return copies;
}

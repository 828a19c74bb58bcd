#include "storage/ConflictCopies.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The whole names of the copies of the file called dataFileName, one pattern per tool.
QList<QRegularExpression> ConflictCopyPatterns(const QString& dataFileName) {
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
    QList<QRegularExpression> patterns;
    for (const QString& mark : marks)
        patterns.append(QRegularExpression(QStringLiteral("\\A") + stem + mark + extension +
                                           QStringLiteral("\\z")));
    return patterns;
}

bool MatchesAny(const QList<QRegularExpression>& patterns, const QString& fileName) {
    for (const QRegularExpression& pattern : patterns)
        if (pattern.match(fileName).hasMatch()) return true;
    return false;
}

}  // namespace

bool IsConflictCopyName(const QString& dataFileName, const QString& fileName) {
    if (dataFileName.isEmpty() || fileName == dataFileName) return false;
    return MatchesAny(ConflictCopyPatterns(dataFileName), fileName);
}

QStringList FindConflictCopies(const QString& dataFilePath) {
    const QFileInfo data(dataFilePath);
    const QString name = data.fileName();
    QStringList copies;
    if (name.isEmpty()) return copies;
    // Made once for the whole folder, which may hold thousands of files.
    const QList<QRegularExpression> patterns = ConflictCopyPatterns(name);
    const QFileInfoList entries =
        data.dir().entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries)
        if (entry.fileName() != name && MatchesAny(patterns, entry.fileName()))
            copies.append(entry.absoluteFilePath());
    return copies;
}

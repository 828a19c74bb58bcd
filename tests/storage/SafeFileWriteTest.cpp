// The one way the program replaces a file: private, whole or not at all, nothing left beside it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <QDir>
#include <QFile>

#include "SafeFileWrite.h"
#include "StorageTestSupport.h"
#include "TempDir.h"

namespace {

mode_t ModeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

bool Write(const QString& path, const QByteArray& bytes) {
    return WriteFileSafely(path, bytes.constData(), bytes.size());
}

}  // namespace

TEST(SafeFileWrite, LeavesEveryWrittenFileOwnerOnlyAndFollowsLinks) {
    TempDir dir;
    // New, formerly world-readable, formerly executable: always 0600 afterwards.
    for (const mode_t before : {mode_t(0), mode_t(0644), mode_t(0755), mode_t(0600)}) {
        const QString path = dir.file(QStringLiteral("f%1").arg(before, 0, 8));
        if (before) {
            dir.write(QFileInfo(path).fileName(), "old");
            ::chmod(QFile::encodeName(path).constData(), before);
        }
        ASSERT_TRUE(Write(path, "new")) << before;
        EXPECT_EQ(ModeOf(path), mode_t(0600)) << before;
        EXPECT_EQ(dir.read(QFileInfo(path).fileName()), "new");
    }

    // A data file kept as a link into a synchronised folder: the file behind it is replaced and
    // the link stays a link.
    QDir(dir.path()).mkdir(QStringLiteral("synced"));
    dir.write(QStringLiteral("synced/Zetrova.dat"), "old");
    const QString link = dir.file(QStringLiteral("Zetrova.dat"));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("synced/Zetrova.dat")), link));
    ASSERT_TRUE(Write(link, "new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(dir.read(QStringLiteral("synced/Zetrova.dat")), "new");
}

TEST(SafeFileWrite, FailureKeepsTheOldFileAndKilledWritesDoNotPileUp) {
    TempDir dir;
    const QString path = dir.file(QStringLiteral("Zetrova.ini"));
    ASSERT_TRUE(Write(path, "[CONFIG]\r\nKEY=AB\r\n"));

    {
        // Past the file-size limit: refused, the old file whole, nothing beside it.
        FileSizeLimit limit(8);
        EXPECT_FALSE(Write(path, QByteArray(4096, 'x')));
    }
    EXPECT_EQ(dir.read(QStringLiteral("Zetrova.ini")), "[CONFIG]\r\nKEY=AB\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Zetrova.ini")});

    // Partial files a killed write left: an old one goes at the next write of the same file; a
    // young one may belong to a write still running elsewhere and stays; so do the user's own
    // files that merely look alike.
    const QString marker = QString::fromLatin1(kPartialFileMarker);
    const QString stale = QStringLiteral("Zetrova.ini") + marker + QStringLiteral("abc123");
    const QString young = QStringLiteral("Zetrova.ini") + marker + QStringLiteral("def456");
    const QStringList kept = {QStringLiteral("Zetrova.ini.backup"),
                              QStringLiteral("Zetrova.dat") + marker + QStringLiteral("ghi789")};
    for (const QString& name : QStringList{stale, young} + kept) dir.write(name, "partial");
    const utimbuf longAgo{1000000000, 1000000000};
    for (const QString& name : QStringList{stale} + kept)
        ::utime(QFile::encodeName(dir.file(name)).constData(), &longAgo);

    ASSERT_TRUE(Write(path, "[CONFIG]\r\nKEY=CD\r\n"));
    QStringList expected = QStringList{QStringLiteral("Zetrova.ini"), young} + kept;
    expected.sort();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);

    // A folder in the way, or a folder that does not exist: refused.
    EXPECT_FALSE(Write(dir.path(), "x"));
    EXPECT_FALSE(Write(dir.file(QStringLiteral("no/such/file")), "x"));
}

// The one way the program replaces a file: private, whole or not at all, nothing left beside it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <QDir>
#include <QFile>

#include "OtherUser.h"
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
    // Only the writer's own kind of file goes: its name pattern exactly, owner-only, the user's.
    const QStringList lookAlike = {
        QStringLiteral("Zetrova.ini") + marker + QStringLiteral("abc1234"),
        QStringLiteral("Zetrova.ini") + marker + QStringLiteral("notes"),
        QStringLiteral("Zetrova.ini") + marker + QStringLiteral("n0tes!"),
        QStringLiteral("Zetrova.ini") + marker + QStringLiteral("shared")};
    QStringList kept =
        QStringList{QStringLiteral("Zetrova.ini.backup"),
                    QStringLiteral("Zetrova.dat") + marker + QStringLiteral("ghi789")} +
        lookAlike;
    for (const QString& name : QStringList{stale, young} + kept) dir.write(name, "partial");
    const utimbuf longAgo{1000000000, 1000000000};
    for (const QString& name : QStringList{stale, young} + kept) {
        const QByteArray native = QFile::encodeName(dir.file(name));
        ::chmod(native.constData(), name.endsWith(QStringLiteral("shared")) ? 0640 : 0600);
        if (name != young) ::utime(native.constData(), &longAgo);
    }
    if (RunningAsRoot()) {
        const QString others = QStringLiteral("Zetrova.ini") + marker + QStringLiteral("others");
        dir.write(others, "partial");
        const QByteArray native = QFile::encodeName(dir.file(others));
        ::chmod(native.constData(), 0600);
        ASSERT_EQ(::chown(native.constData(), kOtherUid, kOtherGid), 0);
        ::utime(native.constData(), &longAgo);
        kept << others;
    }

    ASSERT_TRUE(Write(path, "[CONFIG]\r\nKEY=CD\r\n"));
    QStringList expected = QStringList{QStringLiteral("Zetrova.ini"), young} + kept;
    expected.sort();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);

    // A folder in the way, or a folder that does not exist: refused.
    EXPECT_FALSE(Write(dir.path(), "x"));
    EXPECT_FALSE(Write(dir.file(QStringLiteral("no/such/file")), "x"));
}

// Links are followed where the kernel's protected_symlinks rule follows them, whatever the
// machine's setting: never one that another user may have planted in a shared sticky folder.
TEST(SafeFileWrite, FollowsOnlyLinksTheKernelRuleFollowsAndChainsToTheirEnd) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root to give links to another user";
    struct Case {
        const char* what;
        mode_t sharedMode;
        uid_t sharedOwner;
        uid_t linkOwner;
        const char* written;  // the path written; shared/backup.xml and shared/d lead to home
        bool followed;
    };
    const uid_t me = ::geteuid();
    const Case cases[] = {
        {"another's link in a sticky world-writable folder", 01777, me, kOtherUid,
         "shared/backup.xml", false},
        {"another's link to a folder there", 01777, me, kOtherUid, "shared/d/notes.txt", false},
        {"my own link there", 01777, me, me, "shared/backup.xml", true},
        {"the folder owner's link there", 01777, kOtherUid, kOtherUid, "shared/backup.xml", true},
        {"another's link, folder not sticky", 0777, me, kOtherUid, "shared/backup.xml", true},
        {"another's link, sticky but not world-writable", 01775, me, kOtherUid, "shared/backup.xml",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("home"));
        QDir(dir.path()).mkdir(QStringLiteral("shared"));
        dir.write(QStringLiteral("home/notes.txt"), "mine");
        const QByteArray shared = QFile::encodeName(dir.file(QStringLiteral("shared")));
        ASSERT_EQ(::symlink("../home/notes.txt", shared + "/backup.xml"), 0);
        ASSERT_EQ(::symlink("../home", shared + "/d"), 0);
        for (const char* link : {"/backup.xml", "/d"})
            ASSERT_EQ(::lchown(shared + link, c.linkOwner, c.linkOwner), 0);
        ASSERT_EQ(::chown(shared.constData(), c.sharedOwner, c.sharedOwner), 0);
        ASSERT_EQ(::chmod(shared.constData(), c.sharedMode), 0);

        const SafeWriteResult result =
            WriteFileChecked(dir.file(QString::fromLatin1(c.written)), "new", 3);
        EXPECT_EQ(result.status, c.followed ? SafeWriteResult::Status::Written
                                            : SafeWriteResult::Status::LinkRefused);
        EXPECT_EQ(dir.read(QStringLiteral("home/notes.txt")), c.followed ? "new" : "mine");
        EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("shared/backup.xml"))).isSymLink());
        if (!c.followed) {
            EXPECT_TRUE(result.link.endsWith(QString::fromLatin1(c.written).section(u'/', 0, 1)))
                << result.link.toStdString();
        }
        EXPECT_EQ(QDir(dir.file(QStringLiteral("home"))).entryList(QDir::Files),
                  QStringList{QStringLiteral("notes.txt")});
    }

    // A chain ends where its last link points, also at a file still to be made; a chain through
    // a planted link is refused at that link.
    TempDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("r"));
    QDir(dir.path()).mkpath(QStringLiteral("shared"));
    const QByteArray base = QFile::encodeName(dir.path());
    ASSERT_EQ(::symlink("b", base + "/a"), 0);
    ASSERT_EQ(::symlink("r/c", base + "/b"), 0);
    ASSERT_EQ(::symlink("../shared/e", base + "/r/planted"), 0);
    ASSERT_EQ(::symlink("../r/c", base + "/shared/e"), 0);
    ASSERT_EQ(::lchown(base + "/shared/e", kOtherUid, kOtherUid), 0);
    ASSERT_EQ(::chmod(base + "/shared", 01777), 0);
    ASSERT_EQ(::symlink("loop2", base + "/loop1"), 0);
    ASSERT_EQ(::symlink("loop1", base + "/loop2"), 0);
    EXPECT_EQ(WriteFileChecked(dir.file(QStringLiteral("a")), "end", 3).status,
              SafeWriteResult::Status::Written);
    EXPECT_EQ(dir.read(QStringLiteral("r/c")), "end");
    EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("a"))).isSymLink());
    EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("b"))).isSymLink());
    const SafeWriteResult planted = WriteFileChecked(dir.file(QStringLiteral("r/planted")), "x", 1);
    EXPECT_EQ(planted.status, SafeWriteResult::Status::LinkRefused);
    EXPECT_TRUE(planted.link.endsWith(QStringLiteral("shared/e"))) << planted.link.toStdString();
    EXPECT_EQ(dir.read(QStringLiteral("r/c")), "end");
    EXPECT_EQ(WriteFileChecked(dir.file(QStringLiteral("loop1")), "x", 1).status,
              SafeWriteResult::Status::Failed);
}

// Folders and systems out of the ordinary: what is reported is what happened, and a replaced file
// stays whose it was.
TEST(SafeFileWrite, OddFoldersOwnersAndTargetsAreReportedAsTheyAre) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root to act as another user and to hide /proc";
    TempDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    struct Case {
        const char* what;
        ChildSetting child;
        mode_t folderMode;  // of the folder "f", owned by the other user
        bool fileBefore;    // f/file exists (owned by the other user, mode 0644)
    };
    const Case cases[] = {
        {"folder without read permission", {true, false}, 0300, true},
        {"no /proc", {true, true}, 0700, true},
        {"no /proc, new file", {true, true}, 0700, false},
        {"run as root over the user's file", {false, false}, 0700, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(dir.path()).mkdir(QStringLiteral("f"));
        const QByteArray folder = QFile::encodeName(dir.file(QStringLiteral("f")));
        const QByteArray file = folder + "/file";
        if (c.fileBefore) {
            dir.write(QStringLiteral("f/file"), "old");
            ASSERT_EQ(::chmod(file.constData(), 0644), 0);
            ASSERT_EQ(::chown(file.constData(), kOtherUid, kOtherGid), 0);
        }
        ASSERT_EQ(::chown(folder.constData(), kOtherUid, kOtherGid), 0);
        ASSERT_EQ(::chmod(folder.constData(), c.folderMode), 0);
        const int status = RunInChild(c.child, [&] {
            return static_cast<int>(WriteFileChecked(QFile::decodeName(file), "new", 3).status);
        });
        if (status == kChildNoNamespace) GTEST_SKIP() << "no mount namespace for a missing /proc";
        EXPECT_EQ(status, static_cast<int>(SafeWriteResult::Status::Written));
        EXPECT_EQ(dir.read(QStringLiteral("f/file")), "new");
        struct stat st {};
        ASSERT_EQ(::stat(file.constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode_t(0600));
        EXPECT_EQ(st.st_uid, kOtherUid);
        EXPECT_EQ(st.st_gid, kOtherGid);
        EXPECT_EQ(QDir(QFile::decodeName(folder)).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("file")});
        QDir(QFile::decodeName(folder)).removeRecursively();
    }

    // Only regular files are replaced: a pipe or a device at the path stays what it is.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file(QStringLiteral("pipe"))).constData(), 0600), 0);
    for (const QString& odd : {dir.file(QStringLiteral("pipe")), QStringLiteral("/dev/null")}) {
        EXPECT_EQ(WriteFileChecked(odd, "x", 1).status, SafeWriteResult::Status::NotRegularFile);
        EXPECT_FALSE(QFileInfo(odd).isFile()) << odd.toStdString();
    }
}

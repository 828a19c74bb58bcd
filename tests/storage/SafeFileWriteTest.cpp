// The one way the program replaces a file: private, whole or not at all, nothing left beside it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <QDir>
#include <QFile>
#include <string_view>
#include <tuple>

#include "storage/SafeFileWrite.h"
#include "storage/StorageTestSupport.h"
#include "support/OtherUser.h"
#include "support/TempDir.h"

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
    // Only the writer's own kind of file goes: its name pattern exactly, mode 0600, the user's.
    QStringList kept = {QStringLiteral("Zetrova.ini.backup"),
                        QStringLiteral("Zetrova.dat") + marker + QStringLiteral("ghi789")};
    for (const char* suffix : {"abc1234", "notes", "n0tes!", "shared", "others"})
        kept << QStringLiteral("Zetrova.ini") + marker + QString::fromLatin1(suffix);
    if (!RunningAsRoot()) kept.removeLast();  // another user's file needs root
    const utimbuf longAgo{1000000000, 1000000000};
    for (const QString& name : QStringList{stale, young} + kept) {
        dir.write(name, "partial");
        const QByteArray native = QFile::encodeName(dir.file(name));
        ::chmod(native.constData(), name.endsWith(QStringLiteral("shared")) ? 0640 : 0600);
        if (name.endsWith(QStringLiteral("others"))) {
            ASSERT_EQ(::chown(native.constData(), kOtherUid, kOtherGid), 0);
        }
        if (name != young) ::utime(native.constData(), &longAgo);
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
// machine's setting, chains to their end: never one another user may have planted in /tmp.
TEST(SafeFileWrite, FollowsOnlyLinksTheKernelRuleFollowsAndChainsToTheirEnd) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root to give links to another user";
    using enum SafeWriteResult::Status;
    const uid_t me = ::geteuid();
    const struct {
        const char* what;
        mode_t sharedMode;
        uid_t sharedOwner, linkOwner;  // of the folder shared and of the links in it
        const char* written;
        SafeWriteResult::Status status;
        const char* endsAt;  // the file that receives the content
    } cases[] = {
        {"another's link in /tmp", 01777, me, kOtherUid, "shared/notes", LinkRefused, nullptr},
        {"another's folder link", 01777, me, kOtherUid, "shared/d/notes", LinkRefused, nullptr},
        {"a chain through one", 01777, me, kOtherUid, "r/planted", LinkRefused, nullptr},
        {"my own link", 01777, me, me, "shared/notes", Written, "home/notes"},
        {"the folder owner's", 01777, kOtherUid, kOtherUid, "shared/notes", Written, "home/notes"},
        {"not sticky", 0777, me, kOtherUid, "shared/notes", Written, "home/notes"},
        {"not world-writable", 01775, me, kOtherUid, "shared/notes", Written, "home/notes"},
        {"a chain to a new file", 0777, me, me, "a", Written, "r/c"},
        {"a loop", 0777, me, me, "loop1", Failed, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        for (const char* folder : {"home", "shared", "r"}) QDir(dir.path()).mkdir(folder);
        dir.write(QStringLiteral("home/notes"), "mine");
        const QByteArray base = QFile::encodeName(dir.path()) + '/';
        const char* links[][2] = {{"shared/notes", "../home/notes"},
                                  {"shared/d", "../home"},
                                  {"r/planted", "../shared/notes"},
                                  {"a", "b"},
                                  {"b", "r/c"},
                                  {"loop1", "loop2"},
                                  {"loop2", "loop1"}};
        for (const auto& [link, target] : links) ASSERT_EQ(::symlink(target, base + link), 0);
        for (const char* link : {"shared/notes", "shared/d"})
            ASSERT_EQ(::lchown(base + link, c.linkOwner, c.linkOwner), 0);
        ASSERT_EQ(::chown(base + "shared", c.sharedOwner, c.sharedOwner), 0);
        ASSERT_EQ(::chmod(base + "shared", c.sharedMode), 0);

        const SafeWriteResult result = WriteFileChecked(dir.file(c.written), "new", 3);
        EXPECT_EQ(result.status, c.status);
        if (c.status == LinkRefused) {
            EXPECT_TRUE(result.link.contains(u"/shared/")) << result.link.toStdString();
        }
        EXPECT_EQ(dir.read(c.endsAt ? c.endsAt : "home/notes"), c.endsAt ? "new" : "mine");
        EXPECT_EQ(QFileInfo::exists(dir.file("r/c")),
                  c.endsAt && std::string_view(c.endsAt) == "r/c");
        for (const auto& [link, target] : links) EXPECT_TRUE(QFileInfo(base + link).isSymLink());
    }
}

// Folders and systems out of the ordinary: what is reported is what happened, and a replaced file
// stays whose it was.
TEST(SafeFileWrite, OddFoldersOwnersAndTargetsAreReportedAsTheyAre) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root to act as another user and to hide /proc";
    TempDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QByteArray folder = QFile::encodeName(dir.file(QStringLiteral("f")));
    const QByteArray file = folder + "/file";
    const struct {
        const char* what;
        ChildSetting child;
        mode_t folderMode;  // of the other user's folder
        bool fileBefore;    // the other user's file, mode 0644
    } cases[] = {
        {"a folder without read permission", {true, false}, 0300, true},
        {"no /proc", {true, true}, 0700, true},
        {"no /proc, a new file", {true, true}, 0700, false},
        {"root over the user's file", {false, false}, 0700, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
        if (c.fileBefore) {
            dir.write(QStringLiteral("f/file"), "old");
            ASSERT_EQ(::chmod(file.constData(), 0644), 0);
            ASSERT_EQ(::chown(file.constData(), kOtherUid, kOtherGid), 0);
        }
        ASSERT_EQ(::chown(folder.constData(), kOtherUid, kOtherGid), 0);
        ASSERT_EQ(::chmod(folder.constData(), c.folderMode), 0);
        // Written once, also where /proc cannot name an unnamed file.
        const QByteArray content(1 << 20, 'n');
        long long written = -1;
        const int status = RunInChild(
            c.child,
            [&] {
                return static_cast<int>(
                    WriteFileChecked(QFile::decodeName(file), content.constData(), content.size())
                        .status);
            },
            &written);
        if (status == kChildNoNamespace) GTEST_SKIP() << "no mount namespace to hide /proc in";
        EXPECT_EQ(status, static_cast<int>(SafeWriteResult::Status::Written));
        EXPECT_TRUE(dir.read(QStringLiteral("f/file")) == content);
        EXPECT_GE(written, content.size());
        EXPECT_LT(written, 2 * content.size());
        struct stat st {};
        ASSERT_EQ(::stat(file.constData(), &st), 0);
        EXPECT_EQ(std::tuple(st.st_mode & 07777, st.st_uid, st.st_gid),
                  std::tuple(mode_t(0600), kOtherUid, kOtherGid));
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"file"});
        QDir(folder).removeRecursively();
    }

    // Only regular files are replaced: a pipe or a device at the path stays what it is.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file(QStringLiteral("pipe"))).constData(), 0600), 0);
    for (const QString& odd : {dir.file(QStringLiteral("pipe")), QStringLiteral("/dev/null")}) {
        EXPECT_EQ(WriteFileChecked(odd, "x", 1).status, SafeWriteResult::Status::NotRegularFile);
        EXPECT_FALSE(QFileInfo(odd).isFile()) << odd.toStdString();
    }
}

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include "storage/DataFileCodec.h"
#include "storage/DataFileVersions.h"
#include "storage/StorageTestSupport.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace {

const QString kOldKey = MakeKeyVerifier(QStringLiteral("old-key"));
const QString kNewKey = MakeKeyVerifier(QStringLiteral("new-key"));
const QString kOtherKey = MakeKeyVerifier(QStringLiteral("other"));
const QDateTime kNow(QDate(2026, 12, 31), QTime(12, 0), QTimeZone::utc());

VersionPolicy PolicyIn(const QString& folder) {
    VersionPolicy policy;
    policy.folder = folder;
    policy.zone = QTimeZone::utc();
    return policy;
}

// Saves a document whose only item holds value: what a save wrote is told by the value.
void Save(const QString& path, const QString& value, const QString& verifier = kOldKey) {
    ScriptedPrompter prompter;
    DocumentState state;
    state.document = schema::CreateNewDocument();
    state.root = state.document.documentElement();
    AddItem(AddGroup(state.root, QStringLiteral("銀行")), QStringLiteral("暗証"), value, true);
    state.keyVerifier = verifier;
    ASSERT_TRUE(SaveDataFile(state, path, false, nullptr));
    EXPECT_TRUE(prompter.texts().isEmpty()) << prompter.texts().join('|').toStdString();
}

// The values of the versions under verifier, newest first; "?" where one does not open.
QStringList VersionValues(const QString& path, const QString& verifier,
                          const VersionPolicy& policy) {
    QStringList values;
    for (const KeptVersion& v : ListVersions(path, policy)) {
        QFile file(v.path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const XmlDocument doc = DecodeDataFile(file.readAll(), verifier);
        values << (doc.isNull() ? QStringLiteral("?")
                                : doc.documentElement().firstChild().firstChild().text());
    }
    return values;
}

// The policy every save uses, for one test.
class VersionsTest : public ::testing::Test {
protected:
    void SetUp() override { SetVersionPolicy(PolicyIn(dir.file(QStringLiteral("versions")))); }
    void TearDown() override { SetVersionPolicy(VersionPolicy()); }
    const VersionPolicy& policy() const { return CurrentVersionPolicy(); }

    TempDir dir;
};

TEST(VersionRetention, KeepsTheNewestThenOnePerDayAndMonthWithinTheSizeLimit) {
    struct Case {
        const char* name;
        VersionPolicy policy;
        std::vector<std::pair<qint64, qint64>> ageSecondsAndSize;  // newest first
        std::vector<bool> kept;
    };
    const auto policy = [](int keep, int days, int months, qint64 maxMiB) {
        VersionPolicy p = PolicyIn(QString());
        p.keep = keep, p.days = days, p.months = months, p.maxMiB = maxMiB;
        return p;
    };
    constexpr qint64 kDay = 86400;
    const std::vector<Case> cases = {
        {"the newest keep, then one per day",
         policy(2, 30, 0, 256),
         {{0, 10}, {60, 10}, {120, 10}, {180, 10}, {kDay, 10}, {kDay + 60, 10}},
         {true, true, false, false, true, false}},
        {"the 30th day back is the last one kept",
         policy(0 + 1, 30, 0, 256),
         {{0, 10}, {29 * kDay, 10}, {30 * kDay, 10}},
         {true, true, false}},
        {"then one per month, this month counted",
         policy(1, 0, 2, 256),
         // 12:00 on 31 December: 30 days back is 1 December, 31 days back November.
         {{0, 10}, {30 * kDay, 10}, {31 * kDay, 10}, {32 * kDay, 10}, {62 * kDay, 10}},
         {true, false, true, false, false}},
        {"from the future counts as today",
         policy(1, 1, 0, 256),
         {{-3600, 10}, {0, 10}},
         {true, false}},
        {"oldest out first past the size limit",
         policy(20, 30, 12, 1),
         {{0, 400 << 10}, {60, 400 << 10}, {120, 400 << 10}, {180, 10}},
         {true, true, false, false}},
        {"Keep=0 turns versions off and deletes nothing",
         policy(0, 30, 12, 0),
         {{0, 10}, {40 * kDay, 10}},
         {true, true}},
    };
    for (const Case& c : cases) {
        std::vector<KeptVersion> versions;
        for (const auto& [age, size] : c.ageSecondsAndSize)
            versions.push_back({QString(), kNow.addSecs(-age), 1, size});
        EXPECT_EQ(RetainedVersions(versions, c.policy, kNow), c.kept) << c.name;
    }
}

TEST_F(VersionsTest, EachReplacementKeepsTheReplacedFileOwnerOnlyAndNeverInPlainText) {
    const QString path = dir.file(QStringLiteral("Zetrova.dat"));
    Save(path, QStringLiteral("first-secret"));
    EXPECT_TRUE(ListVersions(path, policy()).empty());  // nothing was replaced
    // A data file another program left readable to all is kept owner-only all the same.
    ASSERT_EQ(::chmod(QFile::encodeName(path), 0644), 0);
    Save(path, QStringLiteral("second-secret"));
    Save(path, QStringLiteral("second-secret"));  // the same bytes again: nothing is lost
    Save(path, QStringLiteral("third-secret"));
    EXPECT_EQ(VersionValues(path, kOldKey, policy()),
              QStringList({QStringLiteral("second-secret"), QStringLiteral("first-secret")}));

    const QString folder = VersionFolderOf(path, policy());
    EXPECT_TRUE(QFileInfo(folder).fileName().startsWith(QStringLiteral("Zetrova.dat-")));
    EXPECT_NE(folder, VersionFolderOf(dir.file(QStringLiteral("sub/Zetrova.dat")), policy()));
    QFile index(folder + u'/' + QString::fromLatin1(kIndexFileName));
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    EXPECT_EQ(index.readAll(), QFileInfo(path).canonicalFilePath().toUtf8() + '\n');

    QDirIterator it(policy().folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(entry.filePath()), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, entry.isDir() ? 0700u : 0600u)
            << entry.filePath().toStdString();
        if (entry.isDir()) continue;
        ++files;
        QFile file(entry.filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        for (const char* value : {"first-secret", "second-secret", "銀行"}) {
            EXPECT_FALSE(bytes.contains(QByteArray(value))) << entry.filePath().toStdString();
            EXPECT_FALSE(bytes.contains(ToUtf16Le(QString::fromUtf8(value))));
        }
    }
    EXPECT_EQ(files, 3);  // two versions and the index
}

TEST_F(VersionsTest, LinksOnTheSameFileSystemAndCopiesAcrossFileSystems) {
    struct Case {
        const char* name;
        QString versions;
        KeptAs expected;
    };
    const auto stated = [](const QString& path) {
        struct stat st {};
        EXPECT_EQ(::stat(QFile::encodeName(path), &st), 0) << path.toStdString();
        return st;
    };
    QTemporaryDir shm(QStringLiteral("/dev/shm/zetrova-versions-XXXXXX"));
    const bool otherFileSystem =
        shm.isValid() && stated(dir.path()).st_dev != stated(shm.path()).st_dev;
    std::vector<Case> cases = {{"same file system", dir.file(QStringLiteral("v")), KeptAs::Linked}};
    if (otherFileSystem) cases.push_back({"other file system", shm.path(), KeptAs::Copied});
    for (const Case& c : cases) {
        const QString path = dir.file(QString::fromLatin1(c.name));
        Save(path, QStringLiteral("kept"));
        const ino_t before = stated(path).st_ino;
        const VersionPolicy p = PolicyIn(c.versions);
        EXPECT_EQ(KeepVersion(path, "new", 3, p), c.expected) << c.name;
        const std::vector<KeptVersion> kept = ListVersions(path, p);
        ASSERT_EQ(kept.size(), 1u) << c.name;
        EXPECT_EQ(stated(kept.front().path).st_ino == before, c.expected == KeptAs::Linked);
        EXPECT_EQ(VersionValues(path, kOldKey, p), QStringList{QStringLiteral("kept")}) << c.name;
        // Kept already: a save whose rename failed does not keep the same file twice.
        EXPECT_EQ(KeepVersion(path, "new", 3, p), KeptAs::Nothing) << c.name;
    }
    if (!otherFileSystem) GTEST_SKIP() << "no second file system for the copy";
}

// A key change writes every version again under the new key, the version of the file it
// replaces included; killed anywhere, each version opens under one key or the other, and the next
// save (FinishKeyChange) completes it. A version under some other key altogether is left.
TEST_F(VersionsTest, KeyChangeKilledAnywhereLeavesEveryVersionOpenAndIsCompletedNextTime) {
    const QString path = dir.file(QStringLiteral("Zetrova.dat"));
    constexpr int kVersions = 12;
    Save(path, QStringLiteral("other"), kOtherKey);
    for (int i = 0; i < kVersions; ++i) Save(path, QString::number(i).repeated(2000));
    ASSERT_TRUE(NoteKeyChange(path, kOldKey, kNewKey, policy()));
    Save(path, QStringLiteral("new"), kNewKey);  // the key change's own save, done whole
    EXPECT_FALSE(VersionValues(path, kNewKey, policy()).mid(0, kVersions).contains("?"));
    EXPECT_EQ(VersionValues(path, kOtherKey, policy()).last(), QStringLiteral("other"));
    EXPECT_EQ(VersionStateUnder(ListVersions(path, policy()).back(), kNewKey),
              VersionState::OtherKey);
    // And back, up to the data file, then killed at some point of writing the versions again.
    ASSERT_TRUE(NoteKeyChange(path, kNewKey, kOldKey, policy()));
    for (const int delayMicroseconds : {0, 2000, 10000}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ChangeVersionsKey(path, kNewKey, kOldKey, CurrentVersionPolicy());
            ::_exit(0);
        }
        ::usleep(delayMicroseconds);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const QStringList underOld = VersionValues(path, kOldKey, policy());
        const QStringList underNew = VersionValues(path, kNewKey, policy());
        for (int i = 0; i < kVersions; ++i)
            EXPECT_TRUE((underOld[i] == "?") != (underNew[i] == "?")) << i;
    }
    FinishKeyChange(path, kOldKey, policy());
    EXPECT_FALSE(VersionValues(path, kOldKey, policy()).mid(0, kVersions).contains("?"));
    EXPECT_FALSE(QFileInfo::exists(VersionFolderOf(path, policy()) + u'/' +
                                   QString::fromLatin1(kKeyChangeNoteName)));
}

}  // namespace

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace {

QString DecodeUtf16Le(const QByteArray& bytes) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                              bytes.size() / 2);
}

// The permission bits of a file or folder; -1 when it cannot be read.
int Mode(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

}  // namespace

TEST(LogFile, PathReplacesEveryExeOrAppendsLog) {
    EXPECT_EQ(LogPathForExecutable("C:\\tools\\Zetrova.exe"), "C:\\tools\\Zetrova.log");
    EXPECT_EQ(LogPathForExecutable("C:\\a.exe\\Zetrova.exe"), "C:\\a.log\\Zetrova.log");
    EXPECT_EQ(LogPathForExecutable("/usr/bin/zetrova"), "/usr/bin/zetrova.log");
    EXPECT_EQ(LogPathForExecutable("/opt/Zetrova.EXE"), "/opt/Zetrova.EXE.log");
    EXPECT_EQ(LogPathForExecutable(""), "");  // unknown (no /proc): not ".log" here
}

TEST(LogFile, RunWithoutFailuresLeavesEmptyFile) {
    TempDir dir;
    dir.write("z.log", "old contents of the previous run");
    { LogFile log(dir.file("z.log")); }
    EXPECT_TRUE(QFile::exists(dir.file("z.log")));
    EXPECT_EQ(dir.read("z.log").size(), 0);
}

TEST(LogFile, LinesFollowTheMarkWithTimeLocationAndMessage) {
    TempDir dir;
    {
        LogFile log(dir.file("z.log"));
        log.setLocation("C:\\src\\app\\MainFrm.cpp", 42)
            .WriteLine(u"エラー %s", QStringLiteral("100% bad"));
        log.setLocation("/home/dev/src/app/MainFrm.cpp", 7).WriteLine(u"two\nlines");
    }
    const QByteArray bytes = dir.read("z.log");
    ASSERT_GE(bytes.size(), 2);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xFE);
    const QString text = DecodeUtf16Le(bytes.mid(2));
    EXPECT_FALSE(text.contains(QChar(0xFEFF)));
    EXPECT_FALSE(text.contains(u'\r'));
    const QRegularExpression line(QStringLiteral(
        R"(^\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3}\] MainFrm\.cpp:42 エラー 100% bad\n)"
        R"(\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3}\] MainFrm\.cpp:7 two\nlines\n$)"));
    EXPECT_TRUE(line.match(text).hasMatch()) << text.toStdString();
}

TEST(LogFile, UnopenablePathIsSilent) {
    LogFile log("/nonexistent-folder/for/zetrova.log");
    EXPECT_FALSE(log.good());
    log.setLocation("x.cpp", 1).WriteLine(u"dropped");
}

TEST(LogFile, FallbackFolderIsTheUsersStateFolder) {
    struct Case {
        const char* xdgStateHome;
        const char* home;
        const char* folder;
    };
    const Case cases[] = {
        {"/st", "/home/u", "/st/zetrova"},
        {"", "/home/u", "/home/u/.local/state/zetrova"},
        {"relative/state", "/home/u", "/home/u/.local/state/zetrova"},
        {"", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LogFallbackFolder(c.xdgStateHome, c.home), QString::fromUtf8(c.folder))
            << c.xdgStateHome << " " << c.home;
}

// Where the executable's folder cannot take the log, it goes to the fallback folder, private to
// the user, in the same format; where neither can, the log is silent and nothing fails.
TEST(LogFile, UnwritableFolderLogsToTheFallbackFolder) {
    TempDir dir;
    dir.write("blocker", "a file where a folder would have to be");
    // Planted where the log goes: a link to another file of the user's, and a pipe no one reads.
    dir.write("victim.txt", "the user's notes");
    ASSERT_EQ(::symlink(QFile::encodeName(dir.file("victim.txt")).constData(),
                        QFile::encodeName(dir.file("planted.log")).constData()),
              0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.file("pipe.log")).constData(), 0600), 0);
    struct Case {
        QString path;
        QString fallbackFolder;
        QString expected;  // the path written to; empty: no log
    };
    const QString unwritable = QStringLiteral("/nonexistent-folder/zetrova.log");
    const Case cases[] = {
        {dir.file("beside.log"), dir.file("state/zetrova"), dir.file("beside.log")},
        {unwritable, dir.file("new/state/zetrova"), dir.file("new/state/zetrova/zetrova.log")},
        {unwritable, dir.file("blocker/zetrova"), QString()},
        {unwritable, QString(), QString()},
        {dir.file("planted.log"), dir.file("s1/zetrova"), dir.file("s1/zetrova/planted.log")},
        {dir.file("pipe.log"), dir.file("s2/zetrova"), dir.file("s2/zetrova/pipe.log")},
        // The executable's path unknown: the program's name in the fallback folder.
        {QString(), dir.file("s3/zetrova"),
         dir.file("s3/zetrova/") + QFile::decodeName(program_invocation_short_name) + ".log"},
        // A folder of the user's that others may open is made private again.
        {unwritable, dir.file("open/zetrova"), dir.file("open/zetrova/zetrova.log")},
    };
    ASSERT_TRUE(QDir().mkpath(dir.file("open/zetrova")));
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file("open")).constData(), 0700), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file("open/zetrova")).constData(), 0777), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fallbackFolder.toStdString());
        {
            LogFile log(c.path, c.fallbackFolder);
            EXPECT_EQ(log.good(), !c.expected.isEmpty());
            if (log.good()) {
                EXPECT_EQ(log.path(), c.expected);
            }
            log.setLocation("Main.cpp", 3).WriteLine(u"failed %d", 7);
        }
        if (c.expected.isEmpty()) continue;
        QFile f(c.expected);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        ASSERT_GE(bytes.size(), 2);
        EXPECT_EQ(bytes.left(2), QByteArray("\xFF\xFE"));
        EXPECT_TRUE(
            DecodeUtf16Le(bytes.mid(2)).endsWith(QStringLiteral("] Main.cpp:3 failed 7\n")));
        if (c.expected.startsWith(c.fallbackFolder)) {
            EXPECT_EQ(Mode(c.expected), 0600);
            EXPECT_EQ(Mode(c.fallbackFolder), 0700);
            EXPECT_EQ(Mode(QFileInfo(c.fallbackFolder).path()), 0700);  // made as well
        } else {
            EXPECT_EQ(Mode(c.expected), 0600);
            EXPECT_FALSE(QFileInfo::exists(c.fallbackFolder));
        }
    }
    EXPECT_EQ(dir.read("victim.txt"), QByteArray("the user's notes"));
    // A log of an earlier run in the fallback folder is emptied and made private again.
    const QString again = dir.file("new/state/zetrova/zetrova.log");
    ASSERT_EQ(::chmod(QFile::encodeName(again).constData(), 0644), 0);
    { LogFile log(unwritable, dir.file("new/state/zetrova")); }
    EXPECT_EQ(QFileInfo(again).size(), 0);
    EXPECT_EQ(Mode(again), 0600);
}

TEST(ReportComError, ShowsFixedBoxAndLogsDescription) {
    ScriptedPrompter prompter;
    const QString logPath = LogFile::Instance().path();
    REPORT_XML_ERROR(XmlError(XmlError::kFail, QStringLiteral("parse %s failed")),
                     MessageIcon::Warning);
    REPORT_XML_ERROR(XmlError(XmlError::kPointer), MessageIcon::Error);
    ASSERT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(prompter.messages()[0].caption, "エラー");
    EXPECT_EQ(prompter.messages()[0].text, "エラーが起きました");
    EXPECT_EQ(prompter.messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(prompter.messages()[1].icon, MessageIcon::Error);

    QFile f(logPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = DecodeUtf16Le(f.readAll().mid(2));
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" エラー parse %s failed")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("LogFileTest.cpp:")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" エラー "))) << lines[1].toStdString();
    EXPECT_NE(lines[0].section(u' ', 2, 2), lines[1].section(u' ', 2, 2));
}

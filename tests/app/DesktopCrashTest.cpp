// The real program killed in the middle of a settings change, at each of its writes (strace
// injects SIGKILL into the system call), then started again: the data file opens, in the desktop
// program and in zetrova-cli alike, with the key it was last written under.
#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>

#include "app/DesktopTestSupport.h"
#include "items/Settings.h"
#include "storage/DataFileVersions.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"

namespace {

// Starts the program in dir, dismisses the notice about the missing notification area and
// answers the key dialog. Returns the main window; empty, with the reason as a test failure, when
// a notice came after the key (the key was refused or the data file did not open) or no window
// came.
QString StartAndOpen(QProcess& program, const TempDir& dir, const QString& key,
                     const QStringList& wrapper = {}) {
    StartProgram(program, dir, {}, {}, wrapper);
    if (!program.waitForStarted()) return {};
    const auto failed = [&](const char* why) {
        ADD_FAILURE() << why << "; visible: " << VisibleWindows().toStdString()
                      << "; program state " << program.state() << " exit " << program.exitCode();
        return QString();
    };
    const QString keyDialog = WaitForFirstWindow(program, QStringLiteral("^認証$"));
    if (keyDialog.isEmpty()) return failed("no key dialog");
    TypeInto(keyDialog, key);
    const QString caption =
        QStringLiteral("^") + QRegularExpression::escape("情報管理ツール Zetrova ");
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60000) {
        if (!Xdo({"search", "--onlyvisible", "--name", "^通知$"}).isEmpty())
            return failed("a notice after the key");
        const QString main = Xdo({"search", "--onlyvisible", "--name", caption});
        if (!main.isEmpty()) return main.section(u'\n', 0, 0);
        QThread::msleep(100);
    }
    return failed("no main window");
}

}  // namespace

TEST(DesktopCrash, ASettingsChangeKilledAtEachOfItsWritesLeavesADataFileThatOpens) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    if (QStandardPaths::findExecutable("strace").isEmpty()) GTEST_SKIP() << "needs strace";
    // The command's system calls, in order, each file's content synced, linked into its folder,
    // renamed over the old one, the folder synced: the versions' index and the note of the key
    // change, the data file (the file it replaces hard-linked as a version before the rename),
    // the settings file, then the version written again under the new key.
    struct KillPoint {
        const char* call;
        int nth;
        const char* keyThatOpens;
    };
    const QList<KillPoint> points = {
        {"fsync", 1, "old"},    {"renameat", 2, "old"}, {"fsync", 5, "old"},
        {"linkat", 4, "old"},   {"renameat", 3, "old"}, {"fsync", 6, "new"},
        {"renameat", 4, "new"}, {"fsync", 8, "new"},    {"renameat", 5, "new"},
        {"fsync", 10, "new"},
    };
    for (const KillPoint& p : points) {
        const QString call = QString::fromLatin1(p.call);
        SCOPED_TRACE(QStringLiteral("%1 #%2").arg(call).arg(p.nth).toStdString());
        TempDir dir;
        ASSERT_TRUE(WriteDataFile(
            dir.file("Zetrova.dat"),
            QStringLiteral("<group name=\"root\"><group name=\"bank\"/></group>"), "old"));
        ASSERT_TRUE(WriteSettingsFile(dir.path(), "Zetrova.dat", MakeKeyVerifier("old"), false));

        // strace leaves children that start another program (a session bus Qt may launch lives
        // on and would keep it waiting).
        QProcess traced;
        const QString main = StartAndOpen(
            traced, dir, "old",
            {"strace", "-f", "-b", "execve", "-qq", "-o", "/dev/null", "-e", "trace=" + call, "-e",
             QStringLiteral("inject=%1:signal=KILL:when=%2").arg(call).arg(p.nth)});
        ASSERT_FALSE(main.isEmpty())
            << "no main window; visible: " << VisibleWindows().toStdString();
        // 設定(&C) › 設定(&C); the name edit has the focus: Tab to the key, Tab to "更新".
        Focus(main);
        Xdo({"key", "alt+c"});
        Xdo({"key", "c"});
        const QString dialog = WaitForWindow("^設定$");
        ASSERT_FALSE(dialog.isEmpty()) << "no settings dialog";
        Focus(dialog);
        Xdo({"key", "Tab"});
        Xdo({"type", "--delay", "20", "new"});
        Xdo({"key", "Tab"});
        Xdo({"key", "space"});
        EXPECT_TRUE(traced.waitForFinished(30000)) << "not killed";
        StopProgram(traced);

        // Nothing of ours is left beside the two files but a partial file that a later write of
        // the same file removes.
        for (const QString& name : QDir(dir.path()).entryList({"Zetrova.*"}, QDir::Files)) {
            EXPECT_TRUE(name == "Zetrova.dat" || name == "Zetrova.ini" ||
                        name.contains(QLatin1String(".zetrova-partial-")))
                << name.toStdString();
        }
        // Each program on its own copy of the two files: the other one repairs the settings file.
        TempDir cliDir;
        for (const char* name : {"Zetrova.dat", "Zetrova.ini"})
            ASSERT_TRUE(QFile::copy(dir.file(name), cliDir.file(name)));

        QProcess restarted;
        EXPECT_FALSE(StartAndOpen(restarted, dir, p.keyThatOpens).isEmpty())
            << "the data file did not open with " << p.keyThatOpens;
        StopProgram(restarted);
        // Every version kept opens with that key too: the start finished a key change that was
        // stopped after the data file.
        for (const KeptVersion& v : ListVersions(dir.file("Zetrova.dat"), CurrentVersionPolicy()))
            EXPECT_FALSE(ReadDataFile(v.path, p.keyThatOpens).isNull()) << v.path.toStdString();
        HeldSettings held;
        ReadSettings(dir.path(), held);
        EXPECT_EQ(held.keyVerifier, MakeKeyVerifier(p.keyThatOpens));

        QProcess cli;
        cli.setWorkingDirectory(cliDir.path());
        cli.start(QStringLiteral(ZETROVA_CLI_PATH), {"ls"});
        cli.write(QByteArray(p.keyThatOpens) + "\n");
        cli.closeWriteChannel();
        ASSERT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        EXPECT_EQ(cli.readAllStandardOutput(), "group\tbank\n");
    }
}

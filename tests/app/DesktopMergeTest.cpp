// The real desktop program while zetrova-cli changes its data file (as another machine would
// through a synchronised folder): with unsaved changes Ctrl+S and the default answer merge both
// sides; without, the program reads the file again by itself.
#include <gtest/gtest.h>

#include "app/DesktopTestSupport.h"
#include "items/Settings.h"
#include "storage/DataFile.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"

namespace {

const QString kKey = QStringLiteral("pw");

struct MergeDesktop {
    TempDir dir;
    QString data = dir.file("Zetrova.dat");
    QProcess program;
    QString main;

    // Starts the program on a data file holding the group A, and enters the key.
    bool start() {
        if (!WriteDataFile(data, QStringLiteral("<group name=\"root\"><group name=\"A\"/></group>"),
                           kKey))
            return false;
        if (!WriteSettingsFile(dir.path(), data, MakeKeyVerifier(kKey), false)) return false;
        StartProgram(program, dir);
        if (!program.waitForStarted()) return false;
        const QString keyDialog = WaitForFirstWindow(program, QStringLiteral("^認証$"));
        if (keyDialog.isEmpty()) return false;
        TypeInto(keyDialog, kKey);
        main = WaitForWindow(QRegularExpression::escape("情報管理ツール Zetrova " + data));
        return !main.isEmpty();
    }

    // Adds a group under the root group with the menus, as a person would.
    bool addGroup(const QString& name) {
        Focus(main);
        // The root group's row, first in the tree.
        Xdo({"mousemove", "--window", main, "38", "45", "click", "1"});
        Xdo({"key", "alt+i"});
        Xdo({"key", "Right"});
        Xdo({"key", "a"});
        const bool answered = !AnswerWindow("^編集$", name).isEmpty();
        QThread::msleep(300);
        return answered;
    }

    // Replaces the data file with zetrova-cli import: the group A and the given group.
    bool importElsewhere(const QString& group) {
        dir.write("other.xml", ("<?xml version=\"1.0\" encoding=\"UTF-8\"?><group name=\"root\">"
                                "<group name=\"A\"/><group name=\"" +
                                group + "\"/></group>")
                                   .toUtf8());
        QProcess cli;
        cli.setWorkingDirectory(dir.path());
        cli.start(QStringLiteral(ZETROVA_CLI_PATH), {"import", dir.file("other.xml")});
        if (!cli.waitForStarted()) return false;
        cli.write(kKey.toUtf8() + "\n");
        cli.closeWriteChannel();
        return cli.waitForFinished(20000) && cli.exitCode() == 0;
    }

    // Ctrl+S, the answers given by the keyboard; the data file's document once written.
    XmlDocument save(bool expectQuestion) {
        const QByteArray before = dir.read("Zetrova.dat");
        Focus(main);
        Xdo({"key", "ctrl+s"});
        if (expectQuestion) {
            // Return takes the default answer, 結合.
            EXPECT_FALSE(AnswerWindow("^確認$", {}).isEmpty()) << "no question about the file";
        }
        EXPECT_FALSE(AnswerWindow("^認証$", kKey).isEmpty())
            << "no key dialog; visible: " << VisibleWindows().toStdString();
        QElapsedTimer t;
        t.start();
        while (dir.read("Zetrova.dat") == before && t.elapsed() < 20000) QThread::msleep(100);
        DataFileContent content;
        ReadDataFileUnder(data, MakeKeyVerifier(kKey), content);
        return content.document;
    }

    ~MergeDesktop() { StopProgram(program); }
};

bool HasGroup(const XmlDocument& doc, const QString& name) {
    return !doc.isNull() &&
           !doc.selectSingleNode("/group[@name='root']/group[@name='" + name + "']").isNull();
}

}  // namespace

TEST(DesktopMerge, UnsavedChangesAndAFileChangedElsewhereAreMergedOnSave) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    MergeDesktop d;
    ASSERT_TRUE(d.start()) << "no main window; visible: " << VisibleWindows().toStdString();
    ASSERT_TRUE(d.addGroup("Here")) << "no group dialog";
    ASSERT_TRUE(d.importElsewhere("There"));
    const XmlDocument saved = d.save(true);
    EXPECT_TRUE(HasGroup(saved, "A"));
    EXPECT_TRUE(HasGroup(saved, "Here"));
    EXPECT_TRUE(HasGroup(saved, "There"));
}

TEST(DesktopMerge, WithoutUnsavedChangesAFileChangedElsewhereIsReadAgainWithoutAQuestion) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    MergeDesktop d;
    ASSERT_TRUE(d.start()) << "no main window; visible: " << VisibleWindows().toStdString();
    ASSERT_TRUE(d.importElsewhere("There"));
    // The program reads the file again by itself; nothing asks.
    QThread::msleep(2000);
    EXPECT_TRUE(Xdo({"search", "--onlyvisible", "--name", "^(確認|通知)$"}).isEmpty());
    // What it holds now is what the file holds: a change saved on top asks nothing about the file
    // and keeps the other side's group.
    ASSERT_TRUE(d.addGroup("Here")) << "no group dialog";
    const XmlDocument saved = d.save(false);
    EXPECT_TRUE(HasGroup(saved, "There"));
    EXPECT_TRUE(HasGroup(saved, "Here"));
}

TEST(DesktopMerge, ASaveAmongCommandLineAddsLosesNothing) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    MergeDesktop d;
    ASSERT_TRUE(d.start()) << "no main window; visible: " << VisibleWindows().toStdString();
    ASSERT_TRUE(d.addGroup("Here")) << "no group dialog";
    // 40 adds one after another, in the program's runtime folder and so under its locks; then
    // every question (結合, the default) and key dialog until nothing is asked for two seconds.
    QProcess adds;
    adds.setWorkingDirectory(d.dir.path());
    adds.start("env",
               {"XDG_RUNTIME_DIR=" + d.dir.path(), "bash", "-c",
                "for i in {1..40}; do printf 'pw\\nv\\n' | \"$0\" add /A/c$i || exit 1; done",
                ZETROVA_CLI_PATH});
    Focus(d.main);
    Xdo({"key", "ctrl+s"});
    for (int quiet = 0, n = 0; quiet < 20 && n < 1200; ++n, QThread::msleep(100)) {
        const QString window =
            Xdo({"search", "--onlyvisible", "--name", "^(確認|認証)$"}).section(u'\n', 0, 0);
        if (!window.isEmpty())
            TypeInto(window, Xdo({"getwindowname", window}) == "認証" ? kKey : QString());
        adds.waitForFinished(0);
        quiet = window.isEmpty() && adds.state() == QProcess::NotRunning ? quiet + 1 : 0;
    }
    EXPECT_EQ(adds.exitCode(), 0) << adds.readAllStandardError().toStdString();
    DataFileContent saved;
    ASSERT_TRUE(ReadDataFileUnder(d.data, MakeKeyVerifier(kKey), saved));
    EXPECT_TRUE(HasGroup(saved.document, "Here"));
    EXPECT_EQ(saved.document.selectNodes("/group/group[@name='A']/item").size(), 40);
}

TEST(DesktopMerge, AConflictCopyThatAppearsWhileRunningIsOfferedAndBringsBackTheChange) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    MergeDesktop d;
    ASSERT_TRUE(d.start()) << "no main window; visible: " << VisibleWindows().toStdString();
    // As a sync tool settles a conflict: the version that lost (this machine's group Here) as a
    // copy beside the data file, and the data file replaced by the one that won.
    ASSERT_TRUE(WriteDataFile(
        d.dir.file("Zetrova.sync-conflict-20261210-030000-ABCDEFG.dat"),
        QStringLiteral("<group name=\"root\"><group name=\"A\"/><group name=\"Here\"/></group>"),
        kKey));
    ASSERT_TRUE(d.importElsewhere("There"));
    // 結合 (Yes), the key for the save, then No to deleting the copy; every question answered with
    // its default until nothing is asked for two seconds.
    bool offered = false;
    for (int quiet = 0, n = 0; quiet < 20 && n < 300; ++n, QThread::msleep(100)) {
        const QString window =
            Xdo({"search", "--onlyvisible", "--name", "^(確認|認証)$"}).section(u'\n', 0, 0);
        if (!window.isEmpty()) {
            offered = true;
            TypeInto(window, Xdo({"getwindowname", window}) == "認証" ? kKey : QString());
        }
        quiet = window.isEmpty() ? quiet + 1 : 0;
    }
    EXPECT_TRUE(offered) << "the copy was not offered";
    DataFileContent saved;
    ASSERT_TRUE(ReadDataFileUnder(d.data, MakeKeyVerifier(kKey), saved));
    EXPECT_TRUE(HasGroup(saved.document, "There"));
    EXPECT_TRUE(HasGroup(saved.document, "Here"));
    EXPECT_TRUE(QFileInfo::exists(d.dir.file("Zetrova.sync-conflict-20261210-030000-ABCDEFG.dat")));
}

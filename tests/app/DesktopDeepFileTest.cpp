// The real desktop program survives a data file nested deeper than a recursive walk could go (it
// crashed at this depth after the key).
#include <gtest/gtest.h>

#include <QFile>

#include "app/DesktopTestSupport.h"
#include "items/Settings.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"
#include "support/Documents.h"

namespace {

constexpr int kDepth = 50000;

// Answers every notice until a window matching `pattern` shows; that window, or empty.
QString WaitPastNotices(const QString& pattern) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 120000) {
        const QString notice = Xdo({"search", "--onlyvisible", "--name", "^通知$"});
        if (!notice.isEmpty()) TypeInto(notice.section(u'\n', 0, 0), {});
        const QString found = Xdo({"search", "--onlyvisible", "--name", pattern});
        if (!found.isEmpty()) return found.section(u'\n', 0, 0);
        QThread::msleep(100);
    }
    return {};
}

}  // namespace

// The file opens after the key, the search finds its deepest group and the tree opens towards it;
// the program keeps running and the file stays as it was.
TEST(Desktop, OpensAndSearchesADataFileFiftyThousandLevelsDeep) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    TempDir dir;
    const QString data = dir.file("Zetrova.dat");
    ASSERT_TRUE(WriteDataFile(data, NestedGroups(kDepth), "pw"));
    ASSERT_TRUE(WriteSettingsFile(dir.path(), data, MakeKeyVerifier("pw"), false));
    const QByteArray before = dir.read("Zetrova.dat");

    QProcess program;
    StartProgram(program, dir);
    ASSERT_TRUE(program.waitForStarted());
    const QString keyDialog = WaitForFirstWindow(program, QStringLiteral("^認証$"));
    ASSERT_FALSE(keyDialog.isEmpty()) << "no key dialog";
    TypeInto(keyDialog, QStringLiteral("pw"));
    const QString caption = QRegularExpression::escape("情報管理ツール Zetrova " + data);
    const QString main = WaitPastNotices(caption);
    ASSERT_FALSE(main.isEmpty()) << "no main window; visible: " << VisibleWindows().toStdString();

    Focus(main);
    Xdo({"key", "ctrl+f"});
    ASSERT_FALSE(AnswerWindow("^検索$", QStringLiteral("g%1").arg(kDepth)).isEmpty())
        << "no search dialog";
    // The found group lies deeper than the tree opens: a notice says so.
    const QString notice = WaitForWindow("^通知$");
    EXPECT_FALSE(notice.isEmpty()) << "no notice; visible: " << VisibleWindows().toStdString();
    if (!notice.isEmpty()) TypeInto(notice, {});
    // Still running a while later, with the deep rows drawn.
    EXPECT_FALSE(program.waitForFinished(1000));
    program.kill();
    program.waitForFinished();
    EXPECT_EQ(dir.read("Zetrova.dat"), before);
}

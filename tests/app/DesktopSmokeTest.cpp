// Starts the real desktop program under an X server (run by ctest through xvfb-run), answers its
// key dialog with the keyboard, and checks the window it opens.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include "DataFile.h"
#include "KeyVerifier.h"
#include "Settings.h"
#include "TempDir.h"

namespace {

// Runs xdotool and returns its standard output (trimmed), empty on failure.
QString Xdo(const QStringList& args, int timeoutMs = 20000) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The first window whose name matches the pattern, waiting up to about 20 s.
QString WaitForWindow(const QString& pattern) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        const QString ids = Xdo({"search", "--onlyvisible", "--name", pattern});
        if (!ids.isEmpty()) return ids.section(u'\n', 0, 0);
        QThread::msleep(100);
    }
    return {};
}

void TypeInto(const QString& window, const QString& text) {
    Xdo({"windowfocus", "--sync", window});
    if (!text.isEmpty()) Xdo({"type", "--delay", "20", text});
    Xdo({"key", "Return"});
}

}  // namespace

TEST(Desktop, StartsWithTheKeyDialogAndShowsTheDataFileInItsCaption) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    TempDir dir;
    const QString data = dir.file("Zetrova.dat");
    DocumentState state;
    state.document = XmlDocument::parseDataText(
                         QStringLiteral("<group name=\"root\"><group name=\"銀行\"/></group>"))
                         .document;
    state.root = state.document.documentElement();
    state.keyVerifier = MakeKeyVerifier("pw");
    ASSERT_TRUE(SaveDataFile(state, data, false, {}));
    ASSERT_TRUE(WriteSettingsFile(dir.path(), data, state.keyVerifier, false));

    QProcess program;
    program.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(ZETROVA_PATH), {});
    ASSERT_TRUE(program.waitForStarted());

    // Without a notification area the program says so once, then asks for the key.
    QString keyDialog;
    QElapsedTimer t;
    t.start();
    while (keyDialog.isEmpty() && t.elapsed() < 30000) {
        const QString notice = Xdo({"search", "--name", "^通知$"});
        if (!notice.isEmpty()) TypeInto(notice.section(u'\n', 0, 0), {});
        keyDialog = Xdo({"search", "--name", "^認証$"});
        QThread::msleep(100);
    }
    ASSERT_FALSE(keyDialog.isEmpty()) << "no key dialog";
    const QString caption = QRegularExpression::escape("情報管理ツール Zetrova " + data);
    // The key comes before the main window is shown.
    EXPECT_TRUE(Xdo({"search", "--onlyvisible", "--name", caption}).isEmpty());
    TypeInto(keyDialog.section(u'\n', 0, 0), QStringLiteral("pw"));

    const QString main = WaitForWindow(caption);
    EXPECT_FALSE(main.isEmpty()) << "no main window with the data file in its caption";
    program.kill();
    program.waitForFinished();
}

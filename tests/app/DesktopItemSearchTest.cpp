// The item search of the real program, by the keyboard alone: Ctrl+Shift+F, Escape bringing back
// the group's list, a half-width word finding a full-width name, Down and Ctrl+C copying the
// highlighted result's value, Return choosing the result's group and item.
#include <gtest/gtest.h>

#include "app/DesktopTestSupport.h"
#include "items/Settings.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"

namespace {

// True once the X clipboard (read with xclip) holds value, within 20 s.
bool Copied(const QByteArray& value) {
    QElapsedTimer t;
    t.start();
    do {
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"});
        if (xclip.waitForFinished(10000) && xclip.readAllStandardOutput() == value) return true;
        QThread::msleep(100);
    } while (t.elapsed() < 20000);
    return false;
}

}  // namespace

TEST(Desktop, ItemSearchFindsMovesCopiesChoosesAndGivesTheListBack) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    TempDir dir;
    const QString data = dir.file("Zetrova.dat");
    ASSERT_TRUE(WriteDataFile(
        data,
        QStringLiteral(
            "<group name=\"root\"><group name=\"Bank\"><item name=\"user\">u1</item></group>"
            "<group name=\"Mail\"><item name=\"ＧｉｔＨｕｂ\">gh1</item>"
            "<item name=\"note\">n1</item></group>"
            "<group name=\"Other\"><item name=\"github2\">gh2</item></group></group>"),
        "pw"));
    ASSERT_TRUE(WriteSettingsFile(dir.path(), data, MakeKeyVerifier("pw"), false));
    QProcess program;
    StartProgram(program, dir);
    ASSERT_TRUE(program.waitForStarted());
    const QString keyDialog = WaitForFirstWindow(program, QStringLiteral("^認証$"));
    ASSERT_FALSE(keyDialog.isEmpty())
        << "no key dialog; visible: " << VisibleWindows().toStdString();
    TypeInto(keyDialog, QStringLiteral("pw"));
    const QString main = WaitForWindow(QStringLiteral("^情報管理ツール Zetrova "));
    ASSERT_FALSE(main.isEmpty()) << "visible: " << VisibleWindows().toStdString();
    Focus(main);
    // The tree highlights the root group: Mail, two rows down, becomes current.
    Xdo({"key", "Down", "Down", "Return"});

    // Escape brings Mail's list back: Shift+Tab reaches it from the field, Ctrl+C copies its first
    // row. (Were the results still shown, Ctrl+C would ask for a result to be chosen.)
    Xdo({"key", "ctrl+shift+f"});
    Xdo({"type", "--delay", "50", "user"});
    Xdo({"key", "Escape", "shift+Tab", "ctrl+c"});
    EXPECT_TRUE(Copied("gh1")) << "the list after Escape";
    // "github" finds ＧｉｔＨｕｂ and github2: Down twice and Ctrl+C copy the second one's value.
    Xdo({"key", "ctrl+shift+f"});
    Xdo({"type", "--delay", "50", "github"});
    Xdo({"key", "Down", "Down", "ctrl+c"});
    EXPECT_TRUE(Copied("gh2")) << "second result";
    // Return on the first result: Mail's list with ＧｉｔＨｕｂ selected and the focus; Down there
    // reaches Mail's next item.
    Xdo({"key", "Up", "Return"});
    QThread::msleep(300);
    Xdo({"key", "Down", "ctrl+c"});
    EXPECT_TRUE(Copied("n1")) << "the list of the result's group";
    StopProgram(program);
}

// The item search of the real program, by the keyboard alone: Ctrl+Shift+F, a word typed in
// half-width letters that finds a full-width name, Down and Ctrl+C copying the highlighted
// result's value (a secret one after the key), Return choosing the result's group and item, and
// Escape bringing back the group's list as it was.
#include <gtest/gtest.h>

#include "app/DesktopTestSupport.h"
#include "items/Settings.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"

TEST(Desktop, ItemSearchFindsMovesCopiesChoosesAndGivesTheListBack) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    TempDir dir;
    const QString data = dir.file("Zetrova.dat");
    ASSERT_TRUE(WriteDataFile(
        data,
        QStringLiteral("<group name=\"root\"><group name=\"Bank\"><item name=\"user\">u1</item>"
                       "<secret name=\"pin\">s3cret</secret></group>"
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
    const auto copied = [](const QByteArray& value) {
        return WaitUntil([&] { return Clipboard() == value; }, 20000);
    };

    Xdo({"key", "ctrl+shift+f"});
    Xdo({"type", "--delay", "50", "github"});
    Xdo({"key", "Down", "ctrl+c"});
    EXPECT_TRUE(copied("gh1")) << "first result";
    Xdo({"key", "Down", "ctrl+c"});
    EXPECT_TRUE(copied("gh2")) << "second result";

    // Return on the first result: Mail's list with ＧｉｔＨｕｂ selected and the focus; Down there
    // reaches Mail's next item.
    Xdo({"key", "Up", "Return"});
    QThread::msleep(300);
    Xdo({"key", "Down", "ctrl+c"});
    EXPECT_TRUE(copied("n1")) << "the list of the result's group";

    // A secret result's value after the key.
    Xdo({"key", "ctrl+shift+f"});
    Xdo({"type", "--delay", "50", "pin"});
    Xdo({"key", "Down", "ctrl+c"});
    EXPECT_FALSE(AnswerWindow("^認証$", "pw").isEmpty()) << "no key dialog";
    EXPECT_TRUE(copied("s3cret")) << "secret result";

    // Escape: Mail's list as it was, "note" still selected; Shift+Tab reaches it from the field.
    Focus(main);
    Xdo({"key", "ctrl+shift+f"});
    Xdo({"type", "--delay", "50", "user"});
    Xdo({"key", "Escape", "shift+Tab", "ctrl+c"});
    EXPECT_TRUE(copied("n1")) << "the list after Escape";

    StopProgram(program);
}

// Starts the real desktop program under an X server (run by ctest through xvfb-run), answers its
// key dialog with the keyboard, and checks the window it opens.
#include <gtest/gtest.h>

#include "app/DesktopTestSupport.h"
#include "items/Settings.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"

TEST(Desktop, StartsWithTheKeyDialogAndShowsTheDataFileInItsCaption) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    TempDir dir;
    const QString data = dir.file("Zetrova.dat");
    ASSERT_TRUE(WriteDataFile(
        data, QStringLiteral("<group name=\"root\"><group name=\"銀行\"/></group>"), "pw"));
    ASSERT_TRUE(WriteSettingsFile(dir.path(), data, MakeKeyVerifier("pw"), false));

    QProcess program;
    StartProgram(program, dir);
    ASSERT_TRUE(program.waitForStarted());

    // Without a notification area the program says so once, then asks for the key.
    const QString keyDialog = WaitForFirstWindow(program, QStringLiteral("^認証$"));
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

// A person's first session: a group and an item added with the menus and the keyboard, saved with
// Ctrl+S; the data file then holds them under the key.
TEST(Desktop, AddsAGroupAndAnItemWithTheKeyboardAndSavesThem) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    TempDir dir;
    const QString data = dir.file("Zetrova.dat");
    ASSERT_TRUE(WriteSettingsFile(dir.path(), data, MakeKeyVerifier("pw"), false));

    QProcess program;
    StartProgram(program, dir);
    ASSERT_TRUE(program.waitForStarted());
    const QString caption = QRegularExpression::escape("情報管理ツール Zetrova " + data);
    const QString main = WaitForFirstWindow(program, caption);
    ASSERT_FALSE(main.isEmpty()) << "no main window; visible: " << VisibleWindows().toStdString()
                                 << "; program state " << program.state()
                                 << "; output: " << program.readAll().toStdString();
    Focus(main);
    // The tree's first row is the root group: a click makes it current.
    const QRect root = QRect(8, 38, 60, 14);
    Xdo({"mousemove", "--window", main, QString::number(root.center().x()),
         QString::number(root.center().y()), "click", "1"});
    // グループ(G) has no mnemonic: open 項目(&I) and step right to it, then 追加(&A).
    Xdo({"key", "alt+i"});
    Xdo({"key", "Right"});
    Xdo({"key", "a"});
    const QString groupDialog = AnswerWindow("^編集$", "Bank");
    ASSERT_FALSE(groupDialog.isEmpty()) << "no group dialog";
    // The new group is the root's first child, on the second row: make it current.
    QThread::msleep(300);
    Focus(main);
    Xdo({"mousemove", "--window", main, "55", QString::number(root.center().y() + 14), "click",
         "1"});
    Xdo({"key", "alt+i"});
    Xdo({"key", "a"});
    // Name, Tab, value, Return (OK is the default button).
    ASSERT_FALSE(AnswerWindow("^編集$", "login\ts3cret", groupDialog).isEmpty())
        << "no item dialog";
    QThread::msleep(300);
    Focus(main);
    Xdo({"key", "ctrl+s"});
    ASSERT_FALSE(AnswerWindow("^認証$", "pw").isEmpty()) << "no key dialog on save";

    QElapsedTimer t;
    t.start();
    while (!QFile::exists(data) && t.elapsed() < 20000) QThread::msleep(100);
    program.kill();
    program.waitForFinished();
    const XmlDocument saved = ReadDataFile(data, "pw");
    ASSERT_FALSE(saved.isNull());
    const XmlNode item = saved.selectSingleNode(
        QStringLiteral("/group[@name='root']/group[@name='Bank']/item[@name='login']"));
    ASSERT_FALSE(item.isNull());
    EXPECT_EQ(item.text(), QStringLiteral("s3cret"));
}

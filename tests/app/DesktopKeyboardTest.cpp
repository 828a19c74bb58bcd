// The real program started as its menu entry starts it (--user-folder), driven by the keyboard
// alone: the key dialog centred on the screen before the window, a group added and chosen with
// Return, an item added to it, the data saved in the per-user folder.
#include <gtest/gtest.h>

#include <QDir>

#include "app/DesktopTestSupport.h"
#include "items/Settings.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"

namespace {

// The centre of a window as xdotool reports its geometry.
QPoint WindowCentre(const QString& window) {
    const QString text = Xdo({"getwindowgeometry", window});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Position: (\\d+),(\\d+).*Geometry: (\\d+)x(\\d+)"),
                           QRegularExpression::DotMatchesEverythingOption)
            .match(text);
    if (!m.hasMatch()) return {-1, -1};
    return {m.captured(1).toInt() + m.captured(3).toInt() / 2,
            m.captured(2).toInt() + m.captured(4).toInt() / 2};
}

}  // namespace

TEST(Desktop, MenuEntryStartUsesThePerUserFolderAndTheKeyboardAloneChoosesGroups) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    TempDir dir;
    const QString userFolder = dir.file(QStringLiteral("xdg/zetrova"));
    ASSERT_TRUE(QDir().mkpath(userFolder));
    // A relative DATA is taken from the per-user folder, which the program works in.
    ASSERT_TRUE(WriteDataFile(userFolder + QStringLiteral("/Zetrova.dat"),
                              QStringLiteral("<group name=\"root\"/>"), "pw"));
    ASSERT_TRUE(
        WriteSettingsFile(userFolder, QStringLiteral("Zetrova.dat"), MakeKeyVerifier("pw"), false));

    QProcess program;
    StartProgram(program, dir, {QStringLiteral("--user-folder")},
                 {{QStringLiteral("XDG_DATA_HOME"), dir.file(QStringLiteral("xdg"))}});
    ASSERT_TRUE(program.waitForStarted());

    const QString keyDialog = WaitForFirstWindow(program, QStringLiteral("^認証$"));
    ASSERT_FALSE(keyDialog.isEmpty())
        << "no key dialog; visible: " << VisibleWindows().toStdString();
    // Before the window is shown, the key dialog is centred on the screen, not on the hidden
    // window's place in its upper left.
    const QStringList screen = Xdo({"getdisplaygeometry"}).split(u' ');
    ASSERT_EQ(screen.size(), 2);
    const QPoint centre = WindowCentre(keyDialog);
    EXPECT_NEAR(centre.x(), screen[0].toInt() / 2, 4);
    EXPECT_NEAR(centre.y(), screen[1].toInt() / 2, 4);
    TypeInto(keyDialog, QStringLiteral("pw"));

    const QString main = WaitForWindow(QStringLiteral("^情報管理ツール Zetrova Zetrova\\.dat$"));
    ASSERT_FALSE(main.isEmpty()) << "visible: " << VisibleWindows().toStdString();
    Focus(main);
    // The tree has the focus and highlights the root group: Return makes it current.
    Xdo({"key", "Return"});
    // グループ(G) has no mnemonic: open 項目(&I) and step right to it, then 追加(&A).
    Xdo({"key", "alt+i", "Right", "a"});
    const QString groupDialog = AnswerWindow("^編集$", "Bank");
    ASSERT_FALSE(groupDialog.isEmpty()) << "no group dialog";
    QThread::msleep(300);
    Focus(main);
    // Down highlights the new group below the root; Return chooses it; the item goes into it.
    Xdo({"key", "Down", "Return"});
    Xdo({"key", "alt+i", "a"});
    ASSERT_FALSE(AnswerWindow("^編集$", "login\ts3cret", groupDialog).isEmpty())
        << "no item dialog";
    QThread::msleep(300);
    Focus(main);
    const QByteArray before = dir.read(QStringLiteral("xdg/zetrova/Zetrova.dat"));
    Xdo({"key", "ctrl+s"});
    ASSERT_FALSE(AnswerWindow("^認証$", "pw").isEmpty()) << "no key dialog on save";

    QElapsedTimer t;
    t.start();
    while (dir.read(QStringLiteral("xdg/zetrova/Zetrova.dat")) == before && t.elapsed() < 20000)
        QThread::msleep(100);
    program.kill();
    program.waitForFinished();
    // Nothing landed in the folder the program was started in.
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("Zetrova.ini"))));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("Zetrova.dat"))));

    const XmlDocument saved = ReadDataFile(userFolder + QStringLiteral("/Zetrova.dat"), "pw");
    ASSERT_FALSE(saved.isNull());
    const XmlNode item = saved.selectSingleNode(
        QStringLiteral("/group[@name='root']/group[@name='Bank']/item[@name='login']"));
    ASSERT_FALSE(item.isNull()) << "the item is not in the group chosen with the keyboard";
    EXPECT_EQ(item.text(), QStringLiteral("s3cret"));
}

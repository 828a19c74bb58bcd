// The real clipboard of an X server (run by ctest through xvfb-run), read with xclip: a secret is
// offered with the password-manager hint and leaves the clipboard again, by the desktop program
// and by zetrova-cli clip; a plain value stays; what was copied in between is never cleared.
#include <gtest/gtest.h>

#include <optional>

#include "app/DesktopTestSupport.h"
#include "items/Settings.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"

namespace {

const QString kKey = QStringLiteral("pw");
const QByteArray kSecret = "s3cret value";
const QByteArray kPlain = "plain value";
constexpr char kHint[] = "x-kde-passwordManagerHint";

// A folder whose settings and data file hold the root group with a plain item "plain" (first row)
// and a secret item "pin" (second row).
void WriteFiles(const TempDir& dir) {
    const QString data = dir.file("Zetrova.dat");
    ASSERT_TRUE(WriteDataFile(data,
                              QStringLiteral("<group name=\"root\"><item name=\"plain\">%1</item>"
                                             "<secret name=\"pin\">%2</secret></group>")
                                  .arg(QString::fromUtf8(kPlain), QString::fromUtf8(kSecret)),
                              kKey));
    ASSERT_TRUE(WriteSettingsFile(dir.path(), data, MakeKeyVerifier(kKey), false));
}

// The clipboard's content in that target; nullopt when nothing offers it (the clipboard is empty).
std::optional<QByteArray> Clipboard(const char* target = "UTF8_STRING") {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", target});
    if (!xclip.waitForFinished(10000) || xclip.exitStatus() != QProcess::NormalExit ||
        xclip.exitCode() != 0)
        return std::nullopt;
    return xclip.readAllStandardOutput();
}

bool OffersHint() {
    return Clipboard("TARGETS").value_or(QByteArray()).split('\n').contains(kHint);
}

// Another program copies text (xclip keeps serving it in the background).
void CopyElsewhere(const QByteArray& text) {
    QProcess xclip;
    xclip.setStandardOutputFile(QProcess::nullDevice());
    xclip.setStandardErrorFile(QProcess::nullDevice());
    xclip.start(QStringLiteral("xclip"), {"-i", "-selection", "clipboard"});
    xclip.waitForStarted();
    xclip.write(text);
    xclip.waitForBytesWritten();
    xclip.closeWriteChannel();
    xclip.waitForFinished(10000);
}

template <class Predicate>
bool WaitUntil(Predicate done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QThread::msleep(100);
    }
    return true;
}

// Clicks the item list's row at that height of the window (below the menu bar, the search field
// and the list's header, rows are 18 pixels high: the first row's middle is at 73).
void ClickRow(const QString& window, int y) {
    Focus(window);
    Xdo({"mousemove", "--window", window, "270", QString::number(y), "click", "1"});
}

TEST(Desktop, SecretValuesLeaveTheClipboardAfter30SecondsAndAtExitPlainOnesStay) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    TempDir dir;
    WriteFiles(dir);
    CopyElsewhere("before");
    QProcess program;
    StartProgram(program, dir);
    ASSERT_TRUE(program.waitForStarted());
    const QString keyDialog = WaitForFirstWindow(program, QStringLiteral("^認証$"));
    ASSERT_FALSE(keyDialog.isEmpty())
        << "no key dialog; visible: " << VisibleWindows().toStdString();
    TypeInto(keyDialog.section(u'\n', 0, 0), kKey);
    const QString main = WaitForWindow(QStringLiteral("^情報管理ツール Zetrova "));
    ASSERT_FALSE(main.isEmpty());
    Focus(main);
    Xdo({"mousemove", "--window", main, "38", "45", "click", "1"});  // the root group

    // Ctrl+C on the secret item: the key, then the value with the hint.
    const auto copySecret = [&] {
        ClickRow(main, 91);
        Xdo({"key", "ctrl+c"});
        EXPECT_FALSE(AnswerWindow("^認証$", kKey).isEmpty()) << "no key dialog";
        return WaitUntil([] { return Clipboard() == kSecret; }, 20000);
    };
    ASSERT_TRUE(copySecret());
    EXPECT_TRUE(OffersHint());
    EXPECT_EQ(Clipboard(kHint), QByteArray("secret"));

    // A plain item: its value without the hint, and it stays.
    ClickRow(main, 73);
    Xdo({"key", "ctrl+c"});
    ASSERT_TRUE(WaitUntil([] { return Clipboard() == kPlain; }, 20000));
    EXPECT_FALSE(OffersHint());

    // The secret again: still there after 25 seconds, gone after 30 (with time to spare).
    ASSERT_TRUE(copySecret());
    QElapsedTimer sinceCopy;
    sinceCopy.start();
    ASSERT_TRUE(WaitUntil([] { return !Clipboard("TARGETS"); }, 40000)) << "never cleared";
    EXPECT_GT(sinceCopy.elapsed(), 25000);

    // And once more, then "終了": nothing is left behind. (This server has no clipboard manager to
    // take the offer over, so here it would go with the program anyway; the items test checks
    // that the clipboard object clears it when destroyed.)
    ASSERT_TRUE(copySecret());
    Focus(main);
    Xdo({"key", "alt+f"});
    Xdo({"key", "x"});
    EXPECT_TRUE(program.waitForFinished(20000)) << "the program did not end";
    EXPECT_EQ(Clipboard("TARGETS"), std::nullopt);
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished();
    }
}

// zetrova-cli clip: the value on the clipboard with the hint, plain item or secret; when it ends
// (time up or SIGTERM) it clears the clipboard, unless something else was copied meanwhile.
TEST(CliClip, OffersTheValueAsASecretAndClearsOnlyItsOwn) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server (xvfb-run)";
    TempDir dir;
    WriteFiles(dir);
    enum class Then { Wait, CopyElsewhere, Terminate };
    struct Case {
        const char* item;
        const char* timeout;
        Then then;
        std::optional<QByteArray> left;  // the clipboard afterwards
    };
    const QList<Case> cases = {
        {"/pin", "2", Then::Wait, std::nullopt},
        {"/plain", "3", Then::CopyElsewhere, QByteArray("copied elsewhere")},
        {"/pin", "600", Then::Terminate, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        CopyElsewhere("before");
        QProcess clip;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        clip.setProcessEnvironment(env);
        clip.setWorkingDirectory(dir.path());
        clip.start(QStringLiteral(ZETROVA_CLI_PATH), {"clip", c.item, "--timeout", c.timeout});
        ASSERT_TRUE(clip.waitForStarted());
        clip.write(kKey.toUtf8() + "\n");
        clip.waitForBytesWritten();
        clip.closeWriteChannel();
        const QByteArray value = QByteArray(c.item) == "/pin" ? kSecret : kPlain;
        ASSERT_TRUE(WaitUntil([&] { return Clipboard() == value; }, 20000));
        EXPECT_TRUE(OffersHint());
        EXPECT_EQ(Clipboard(kHint), QByteArray("secret"));
        // Started without core files (and not dumpable) before anything was read.
        QFile limits(QStringLiteral("/proc/%1/limits").arg(clip.processId()));
        ASSERT_TRUE(limits.open(QIODevice::ReadOnly));
        EXPECT_TRUE(QString::fromLatin1(limits.readAll())
                        .contains(QRegularExpression("Max core file size +0 +0 ")));

        if (c.then == Then::CopyElsewhere) CopyElsewhere(*c.left);
        if (c.then == Then::Terminate) clip.terminate();
        ASSERT_TRUE(clip.waitForFinished(20000));
        EXPECT_EQ(clip.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(clip.exitCode(), 0);
        EXPECT_TRUE(clip.readAllStandardOutput().isEmpty());
        // Once the program has gone nobody holds its offer anyway; what it did before is its word.
        const QByteArray said = clip.readAllStandardError();
        EXPECT_TRUE(said.contains(c.left ? "left as it is" : "clipboard cleared")) << said.data();
        EXPECT_EQ(Clipboard(), c.left);
    }
}

}  // namespace

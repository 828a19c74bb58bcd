// The lock of the real program under an X server, in a D-Bus session of the test's own and with
// a private system bus where a stand-in answers for logind.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/DesktopTestSupport.h"
#include "items/Settings.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"

namespace {

const QString kKey = QStringLiteral("pw-lock");
const QString kMain = QStringLiteral("^情報管理ツール Zetrova ");
const QString kLocked = QStringLiteral("（ロック中）$");

QString Clipboard() {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard"});
    xclip.waitForFinished(10000);
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

// Waits up to timeoutMs until a visible window whose name matches is there (shown) or not;
// returns the window, or "-" for none, and empty when the wait ran out.
QString Await(const QString& pattern, int timeoutMs, bool shown = true) {
    QElapsedTimer t;
    t.start();
    do {
        const QString id = Xdo({"search", "--onlyvisible", "--name", pattern}).section(u'\n', 0, 0);
        if (id.isEmpty() != shown) return shown ? id : QStringLiteral("-");
        QThread::msleep(50);
    } while (t.elapsed() < timeoutMs);
    return {};
}
QString WaitFor(const QString& pattern, int timeoutMs) {
    return Await(pattern, timeoutMs);
}
bool Gone(const QString& pattern, int timeoutMs = 5000) {
    return !Await(pattern, timeoutMs, false).isEmpty();
}

// Waits for the window, focuses it and runs xdotool with each list of arguments in turn.
bool In(const QString& pattern, std::initializer_list<QStringList> steps) {
    const QString window = WaitFor(pattern, 10000);
    if (window.isEmpty()) return false;
    Focus(window);
    for (const QStringList& step : steps) Xdo(step);
    return true;
}
QStringList Type(const QString& text) {
    return {"type", "--delay", "20", text};
}

void SendSignal(const QStringList& busAndRest) {
    QProcess send;
    send.start(QStringLiteral("dbus-send"), busAndRest);
    send.waitForFinished(10000);
}

// A program started on a folder with a data file of two groups and the lock's preferences given.
class DesktopLock : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "needs an X server";
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            GTEST_SKIP() << "needs a D-Bus session (dbus-run-session)";
        ASSERT_TRUE(WriteDataFile(dir.file(QStringLiteral("Zetrova.dat")),
                                  R"(<group name="root"><group name="Alpha"><item name="p1">Wert-1)"
                                  R"(</item></group><group name="Beta"/></group>)",
                                  kKey));
        ASSERT_TRUE(WriteSettingsFile(dir.path(), dir.file(QStringLiteral("Zetrova.dat")),
                                      MakeKeyVerifier(kKey), false));
        ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("config/zetrova"))));
    }
    void TearDown() override {
        StopProgram(program);
        for (QProcess* p : {&logind, &systemBus}) p->kill(), p->waitForFinished();
    }

    void preferences(int idleSeconds) {
        QFile conf(dir.file(QStringLiteral("config/zetrova/zetrova.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("[Lock]\nOnSessionLock=true\nIdleSeconds=" + QByteArray::number(idleSeconds));
    }

    // Starts the program, types the key and waits for the main window.
    void start(QList<QPair<QString, QString>> variables = {}) {
        variables << qMakePair(QStringLiteral("XDG_CONFIG_HOME"),
                               dir.file(QStringLiteral("config")));
        StartProgram(program, dir, {}, variables);
        ASSERT_TRUE(program.waitForStarted());
        const QString keyDialog = WaitForFirstWindow(program, QStringLiteral("^認証$"));
        ASSERT_FALSE(keyDialog.isEmpty()) << VisibleWindows().toStdString();
        TypeInto(keyDialog, kKey);
        main = WaitForWindow(kMain);
        ASSERT_FALSE(main.isEmpty()) << VisibleWindows().toStdString();
        QThread::msleep(300);
    }

    void click(int x, int y) {
        Focus(main);
        Xdo({"mousemove", "--window", main, QString::number(x), QString::number(y), "click", "1"});
        QThread::msleep(200);
    }

    // Waits for the locked caption; the time it took, -1 when it did not come in time.
    qint64 waitLocked(int timeoutMs = 1500) {
        QElapsedTimer t;
        t.start();
        return WaitFor(kLocked, timeoutMs).isEmpty() ? -1 : t.elapsed();
    }

    // Return on the locked page's button, then the key typed into "認証".
    bool unlock(const QString& key) {
        return In(kLocked, {{"key", "Return"}}) &&
               In(QStringLiteral("^認証$"), {Type(key), {"key", "Return"}});
    }

    TempDir dir;
    QProcess program;
    QProcess systemBus;
    QProcess logind;
    QString main;
};

TEST_F(DesktopLock, CtrlLAndTheScreenSaverCloseWhatIsOpenAndTheKeyBringsEverythingBack) {
    preferences(0);
    start();
    // Alpha current, an item added (unsaved), the first row selected.
    click(40, 59);
    Xdo({"key", "alt+i", "a"});
    ASSERT_TRUE(In(QStringLiteral("^編集$"),
                   {Type("neu"), {"key", "Tab"}, Type("Wert-neu"), {"key", "Return"}}));
    ASSERT_TRUE(Gone(QStringLiteral("^編集$")));
    click(270, 46);

    // Ctrl+L while the item dialog is open with typed text.
    Xdo({"key", "alt+i", "a"});
    ASSERT_TRUE(In(QStringLiteral("^編集$"), {Type("halb"), {"key", "ctrl+l"}}));
    const qint64 ms = waitLocked();
    ASSERT_GE(ms, 0) << VisibleWindows().toStdString();
    EXPECT_LT(ms, 1000);
    EXPECT_TRUE(Gone(QStringLiteral("^編集$")));

    // A wrong key: the notice, still locked; then the right key.
    ASSERT_TRUE(unlock(QStringLiteral("falsch")));
    ASSERT_TRUE(In(QStringLiteral("^通知$"), {{"key", "Return"}}));
    ASSERT_TRUE(In(QStringLiteral("^認証$"), {Type(kKey), {"key", "Return"}}));
    ASSERT_TRUE(Gone(kLocked)) << VisibleWindows().toStdString();
    // The current group and its selected row are back: Ctrl+C copies Alpha's first value.
    ASSERT_TRUE(In(kMain, {{"key", "ctrl+c"}}));
    QElapsedTimer t;
    t.start();
    while (Clipboard() != QStringLiteral("Wert-1") && t.elapsed() < 10000) QThread::msleep(100);
    EXPECT_EQ(Clipboard(), QStringLiteral("Wert-1"));

    // The screen saver's signal while the delete question is open: answered No, the item stays.
    click(270, 46);
    Xdo({"key", "alt+i", "d"});
    ASSERT_FALSE(WaitFor(QStringLiteral("^確認$"), 10000).isEmpty());
    SendSignal({"--session", "--type=signal", "/ScreenSaver",
                "org.freedesktop.ScreenSaver.ActiveChanged", "boolean:true"});
    ASSERT_GE(waitLocked(), 0);
    EXPECT_TRUE(Gone(QStringLiteral("^確認$")));
    ASSERT_TRUE(unlock(kKey));
    ASSERT_TRUE(Gone(kLocked));

    // 終了 while locked with the unsaved item: the key first; cancelled, the program goes on.
    ASSERT_TRUE(In(kMain, {{"key", "ctrl+l"}}));
    ASSERT_GE(waitLocked(), 0);
    ASSERT_TRUE(In(kLocked, {{"key", "alt+f", "x"}}));
    ASSERT_TRUE(In(QStringLiteral("^認証$"), {{"key", "Escape"}}));
    QThread::msleep(500);
    EXPECT_EQ(program.state(), QProcess::Running);
    ASSERT_TRUE(In(kLocked, {{"key", "alt+f", "x"}}));
    ASSERT_TRUE(In(QStringLiteral("^認証$"), {Type(kKey), {"key", "Return"}}));
    // The change survived the locks: the save question comes; No ends the program.
    ASSERT_TRUE(In(QStringLiteral("^確認$"), {{"key", "n"}})) << VisibleWindows().toStdString();
    EXPECT_TRUE(program.waitForFinished(10000));
}

TEST_F(DesktopLock, LogindsLockAndSleepOnAPrivateSystemBusAndTheIdleTimeLock) {
    const QString conf = dir.file(QStringLiteral("system-bus.conf"));
    QFile file(conf);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        QStringLiteral("<busconfig><type>session</type><listen>unix:path=%1</listen><auth>"
                       "EXTERNAL</auth><policy context=\"default\"><allow own=\"*\"/><allow "
                       "send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                       "</policy></busconfig>\n")
            .arg(dir.file(QStringLiteral("system_bus_socket")))
            .toUtf8());
    file.close();
    systemBus.start(QStringLiteral("dbus-daemon"),
                    {"--config-file=" + conf, "--nofork", "--print-address=1"});
    ASSERT_TRUE(systemBus.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(systemBus.readLine()).trimmed();
    ASSERT_FALSE(address.isEmpty());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address);
    logind.setProcessEnvironment(env);
    logind.start(QStringLiteral(STAND_IN_LOGIND_PATH), QStringList());
    ASSERT_TRUE(logind.waitForReadyRead(10000));
    ASSERT_EQ(logind.readLine().trimmed(), QByteArray("ready"));

    // Long enough for the signals' locks to come first.
    preferences(6);
    start({{QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address},
           {QStringLiteral("XDG_SESSION_ID"), QStringLiteral("test1")}});
    // The program asks for its session by the id it was given.
    ASSERT_TRUE(logind.waitForReadyRead(10000));
    EXPECT_EQ(logind.readLine().trimmed(), QByteArray("asked GetSession test1"));
    QThread::msleep(300);
    const QString bus = QStringLiteral("--bus=") + address;

    // Another session's Lock is not ours; our session's Lock locks.
    SendSignal({bus, "--type=signal", "/org/freedesktop/login1/session/other",
                "org.freedesktop.login1.Session.Lock"});
    EXPECT_TRUE(WaitFor(kLocked, 1000).isEmpty());
    SendSignal({bus, "--type=signal", "/org/freedesktop/login1/session/test1",
                "org.freedesktop.login1.Session.Lock"});
    ASSERT_GE(waitLocked(), 0);
    ASSERT_TRUE(unlock(kKey));
    ASSERT_TRUE(Gone(kLocked));

    // PrepareForSleep(false), the wake-up, changes nothing; (true) locks.
    SendSignal({bus, "--type=signal", "/org/freedesktop/login1",
                "org.freedesktop.login1.Manager.PrepareForSleep", "boolean:false"});
    EXPECT_TRUE(WaitFor(kLocked, 1000).isEmpty());
    SendSignal({bus, "--type=signal", "/org/freedesktop/login1",
                "org.freedesktop.login1.Manager.PrepareForSleep", "boolean:true"});
    ASSERT_GE(waitLocked(), 0);
    ASSERT_TRUE(unlock(kKey));
    ASSERT_TRUE(Gone(kLocked));

    // Six seconds without input: locked, not before.
    QElapsedTimer idle;
    idle.start();
    ASSERT_FALSE(WaitFor(kLocked, 12000).isEmpty());
    EXPECT_GE(idle.elapsed(), 5500);
}

}  // namespace

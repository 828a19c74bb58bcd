#pragma once

// Drives the real desktop program under an X server (ctest runs the desktop tests through
// xvfb-run, one at a time on the machine): xdotool finds its windows, types and clicks.
#include <signal.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QThread>

#include "support/TempDir.h"

// The X server of the tests now and then drops a new client's connection, or leaves it hanging
// (Xvfb on a loaded machine): xdotool is then run again, and a program that lost its connection
// is started again (KeepStarted).

// Runs xdotool and returns its standard output (trimmed), empty on failure.
inline QString Xdo(const QStringList& args, int timeoutMs = 20000) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        QProcess p;
        p.start(QStringLiteral("xdotool"), args);
        if (!p.waitForFinished(timeoutMs / 2)) {
            p.kill();
            p.waitForFinished();
            continue;
        }
        if (!p.readAllStandardError().contains("Failed creating new xdo instance"))
            return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    return {};
}

// The names of the visible windows, for failure messages.
inline QString VisibleWindows() {
    QStringList names;
    for (const QString& id : Xdo({"search", "--onlyvisible", "--name", "."}).split(u'\n'))
        if (!id.isEmpty()) names << id + "=" + Xdo({"getwindowname", id});
    return names.join(u", ");
}

// Gives the keyboard focus to a window. Without a window manager a window that is not mapped yet
// refuses it, so the focus is set again until it has taken (never waiting without bound).
inline void Focus(const QString& window) {
    for (int i = 0; i < 50; ++i) {
        Xdo({"windowfocus", window}, 2000);
        if (Xdo({"getwindowfocus"}, 2000) == window) return;
        QThread::msleep(100);
    }
}

// The first window whose name matches the pattern, waiting up to about 20 s.
inline QString WaitForWindow(const QString& pattern) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        const QString ids = Xdo({"search", "--onlyvisible", "--name", pattern});
        if (!ids.isEmpty()) return ids.section(u'\n', 0, 0);
        QThread::msleep(100);
    }
    return {};
}

// Waits for a window of that name other than `previous`, focuses it and types the text followed
// by Return. Returns the window, empty when none came.
inline QString AnswerWindow(const QString& pattern, const QString& text,
                            const QString& previous = {}) {
    QString window;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        const QStringList ids = Xdo({"search", "--onlyvisible", "--name", pattern}).split(u'\n');
        for (const QString& id : ids)
            if (!id.isEmpty() && id != previous) window = id;
        if (!window.isEmpty()) break;
        QThread::msleep(100);
    }
    if (window.isEmpty()) return {};
    Focus(window);
    if (!text.isEmpty()) Xdo({"type", "--delay", "20", text});
    Xdo({"key", "Return"});
    return window;
}

inline void TypeInto(const QString& window, const QString& text) {
    Focus(window);
    if (!text.isEmpty()) Xdo({"type", "--delay", "20", text});
    Xdo({"key", "Return"});
}

// Starts the real program in dir, on the X server of this test, with the arguments and the
// environment variables given; with a wrapper (e.g. strace and its options), the wrapper runs the
// program. Program and wrapper get a process group of their own, so that StopProgram ends both.
inline void StartProgram(QProcess& program, const TempDir& dir, const QStringList& args = {},
                         const QList<QPair<QString, QString>>& variables = {},
                         QStringList wrapper = {}) {
    program.setWorkingDirectory(dir.path());
    // Straight to this test's output: a pipe nobody reads would fill up and stop the program.
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // A runtime folder of its own: no other instance of the program is seen.
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    for (const auto& [name, value] : variables) env.insert(name, value);
    program.setProcessEnvironment(env);
    program.setChildProcessModifier([] { ::setpgid(0, 0); });
    if (wrapper.isEmpty()) return program.start(QStringLiteral(ZETROVA_PATH), args);
    const QString command = wrapper.takeFirst();
    program.start(command, wrapper << QStringLiteral(ZETROVA_PATH) << args);
}

// Kills the program and its wrapper, and waits for them.
inline void StopProgram(QProcess& program) {
    if (program.state() == QProcess::NotRunning) return;
    ::kill(-static_cast<pid_t>(program.processId()), SIGKILL);
    program.waitForFinished();
}

// While waiting for the first window of a program started with StartProgram: a program that has
// ended or shown nothing for 20 s (its connection to the X server was lost or hangs) is started
// again with the same command, folder and environment, at most three times. `started` times the
// current start. False when the program has ended for good.
inline bool KeepStarted(QProcess& program, int& restarts, QElapsedTimer& started) {
    // Without an event loop the program's end is noticed only here.
    program.waitForFinished(0);
    const bool running = program.state() != QProcess::NotRunning;
    if (running && started.elapsed() < 20000) return true;
    if (++restarts > 3) return false;
    StopProgram(program);
    program.start();
    started.restart();
    return program.waitForStarted();
}

// The first window matching `pattern` of a program started with StartProgram, every notice before
// it answered (there is no notification area under the test server); the program is started again
// while it shows nothing (KeepStarted). Empty when none came in two minutes or the program ended.
inline QString WaitForFirstWindow(QProcess& program, const QString& pattern) {
    QString found;
    QElapsedTimer t;
    t.start();
    int restarts = 0;
    while (found.isEmpty() && t.elapsed() < 120000 && KeepStarted(program, restarts, t)) {
        const QString notice = Xdo({"search", "--onlyvisible", "--name", "^通知$"});
        if (!notice.isEmpty()) TypeInto(notice.section(u'\n', 0, 0), {});
        found = Xdo({"search", "--onlyvisible", "--name", pattern}).section(u'\n', 0, 0);
        QThread::msleep(100);
    }
    return found;
}

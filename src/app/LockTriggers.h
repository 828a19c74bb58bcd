#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QDBusPendingCallWatcher;

// Watches the program's keyboard and mouse input (an event filter on the whole application):
// idle() once there has been none for the set time. Ctrl+L while a dialog, a question box or a
// menu has the keyboard (the main window's own key does not reach it then) gives lockKey().
class InputIdleWatch : public QObject {
    Q_OBJECT
public:
    explicit InputIdleWatch(QObject* parent = nullptr);
    ~InputIdleWatch() override;

    // 0: never idle. The time counts from now.
    void setSeconds(int seconds);
    // While stopped, idle() does not come (the program is locked already).
    void setRunning(bool running);

signals:
    void idle();
    void lockKey();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restart();

    QTimer timer_;
    int seconds_ = 0;
    bool running_ = true;
};

// The desktop's signals that the session locks or the machine is about to sleep, from any sender:
// ActiveChanged(true) of org.freedesktop.ScreenSaver (paths /org/freedesktop/ScreenSaver and
// /ScreenSaver) and of org.gnome.ScreenSaver on the session bus; on the system bus, Lock of this
// program's logind session (asked of org.freedesktop.login1 by XDG_SESSION_ID, else by process
// id) and PrepareForSleep(true) of the logind manager. A bus that cannot be reached is left alone.
class SessionLockSignals : public QObject {
    Q_OBJECT
public:
    explicit SessionLockSignals(QObject* parent = nullptr);

    // The logind session whose Lock is listened to; empty until logind has answered.
    const QString& sessionPath() const { return sessionPath_; }

signals:
    void lockRequested();
    // The logind session was found and its Lock is listened to.
    void sessionWatched(const QString& path);

private slots:
    void screenSaverActiveChanged(bool active);
    void sessionLocked();
    void prepareForSleep(bool starting);
    void sessionFound(QDBusPendingCallWatcher* call);

private:
    void askForSession(bool byPid);

    QString sessionPath_;
};

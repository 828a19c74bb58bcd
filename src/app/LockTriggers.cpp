#include "app/LockTriggers.h"

#include <unistd.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QKeyEvent>

namespace {

constexpr char kScreenSaverInterface[] = "org.freedesktop.ScreenSaver";
constexpr char kGnomeScreenSaverInterface[] = "org.gnome.ScreenSaver";
constexpr char kLogindService[] = "org.freedesktop.login1";
constexpr char kLogindPath[] = "/org/freedesktop/login1";
constexpr char kLogindManager[] = "org.freedesktop.login1.Manager";
constexpr char kLogindSession[] = "org.freedesktop.login1.Session";

bool IsInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
            return true;
        default:
            return false;
    }
}

}  // namespace

InputIdleWatch::InputIdleWatch(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &InputIdleWatch::idle);
    qApp->installEventFilter(this);
}

InputIdleWatch::~InputIdleWatch() {
    qApp->removeEventFilter(this);
}

void InputIdleWatch::setSeconds(int seconds) {
    seconds_ = seconds;
    restart();
}

void InputIdleWatch::setRunning(bool running) {
    running_ = running;
    restart();
}

void InputIdleWatch::restart() {
    if (running_ && seconds_ > 0)
        timer_.start(std::chrono::seconds(seconds_));
    else
        timer_.stop();
}

bool InputIdleWatch::eventFilter(QObject* watched, QEvent* event) {
    // Every input event passes here once per widget it is offered to; restarting is cheap.
    if (IsInput(event->type()) && watched->isWidgetType()) {
        if (timer_.isActive()) timer_.start();
        if (event->type() == QEvent::KeyPress &&
            (QApplication::activeModalWidget() || QApplication::activePopupWidget())) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_L && key->modifiers() == Qt::ControlModifier) {
                emit lockKey();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

SessionLockSignals::SessionLockSignals(QObject* parent) : QObject(parent) {
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        for (const char* path : {"/org/freedesktop/ScreenSaver", "/ScreenSaver"})
            session.connect(
                QString(), QString::fromLatin1(path), QString::fromLatin1(kScreenSaverInterface),
                QStringLiteral("ActiveChanged"), this, SLOT(screenSaverActiveChanged(bool)));
        session.connect(QString(), QString(), QString::fromLatin1(kGnomeScreenSaverInterface),
                        QStringLiteral("ActiveChanged"), this,
                        SLOT(screenSaverActiveChanged(bool)));
    }
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        system.connect(QString(), QString::fromLatin1(kLogindPath),
                       QString::fromLatin1(kLogindManager), QStringLiteral("PrepareForSleep"), this,
                       SLOT(prepareForSleep(bool)));
        askForSession(qEnvironmentVariableIsEmpty("XDG_SESSION_ID"));
    }
}

void SessionLockSignals::askForSession(bool byPid) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kLogindService), QString::fromLatin1(kLogindPath),
        QString::fromLatin1(kLogindManager),
        byPid ? QStringLiteral("GetSessionByPID") : QStringLiteral("GetSession"));
    if (byPid)
        call << static_cast<uint>(::getpid());
    else
        call << qEnvironmentVariable("XDG_SESSION_ID");
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call), this);
    watcher->setProperty("byPid", byPid);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &SessionLockSignals::sessionFound);
}

void SessionLockSignals::sessionFound(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError()) {
        // A session id logind does not know (a nested or stale environment): by process then.
        if (!call->property("byPid").toBool()) askForSession(true);
        return;
    }
    sessionPath_ = reply.value().path();
    QDBusConnection::systemBus().connect(QString(), sessionPath_,
                                         QString::fromLatin1(kLogindSession),
                                         QStringLiteral("Lock"), this, SLOT(sessionLocked()));
    emit sessionWatched(sessionPath_);
}

void SessionLockSignals::screenSaverActiveChanged(bool active) {
    if (active) emit lockRequested();
}

void SessionLockSignals::sessionLocked() {
    emit lockRequested();
}

void SessionLockSignals::prepareForSleep(bool starting) {
    if (starting) emit lockRequested();
}

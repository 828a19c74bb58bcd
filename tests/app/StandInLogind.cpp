// A stand-in for logind on a private system bus, for the lock's desktop test: it owns
// org.freedesktop.login1 and answers GetSession and GetSessionByPID with the path of one session,
// printing "asked <method>" on each call. The test itself sends the signals (Lock,
// PrepareForSleep) with dbus-send, as any sender may.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <cstdio>

class Manager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public slots:
    QDBusObjectPath GetSession(const QString& id) { return answer("GetSession " + id); }
    QDBusObjectPath GetSessionByPID(uint pid) {
        return answer("GetSessionByPID " + QString::number(pid));
    }

private:
    QDBusObjectPath answer(const QString& what) {
        std::printf("asked %s\n", qPrintable(what));
        std::fflush(stdout);
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/login1/session/test1"));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::systemBus();
    Manager manager;
    if (!bus.isConnected() ||
        !bus.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.login1"))) {
        std::fprintf(stderr, "stand-in logind: no system bus\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "StandInLogind.moc"

// A stand-in for logind on a private system bus, for the lock's desktop test: it owns
// org.freedesktop.login1 and answers GetSession and GetSessionByPID with the path of one session,
// printing "asked <method> <argument>" on each call. The test itself sends the signals (Lock,
// PrepareForSleep) with dbus-send, as any sender may.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <cstdio>

namespace {

class Manager : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString method = message.member();
        if (message.interface() != u"org.freedesktop.login1.Manager" ||
            (method != u"GetSession" && method != u"GetSessionByPID"))
            return false;
        const QVariant argument = message.arguments().value(0);
        std::printf("asked %s %s\n", qPrintable(method), qPrintable(argument.toString()));
        std::fflush(stdout);
        connection.send(message.createReply(QVariant::fromValue(
            QDBusObjectPath(QStringLiteral("/org/freedesktop/login1/session/test1")))));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::systemBus();
    Manager manager;
    if (!bus.isConnected() ||
        !bus.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), &manager) ||
        !bus.registerService(QStringLiteral("org.freedesktop.login1"))) {
        std::fprintf(stderr, "stand-in logind: no system bus\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

// A stand-in for logind on a private system bus: answers GetSession and GetSessionByPID with one
// session's path and prints "asked <method> <argument>". The test sends the signals itself.
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
        if (!message.member().startsWith(u"GetSession")) return false;
        std::printf("asked %s %s\n", qPrintable(message.member()),
                    qPrintable(message.arguments().value(0).toString()));
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

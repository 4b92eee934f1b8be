#include "platform/FreedesktopNotifier.h"

#include "TestEnvironment.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

// Stands in for the desktop's notification service and keeps what it was asked to show.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList shown;

public Q_SLOTS:
    uint Notify(const QString& appName, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int) {
        shown.append(QStringList{appName, icon, summary, body}.join(QStringLiteral(" | ")));
        return 1;
    }
};

TEST(FreedesktopNotifierTest, NotifiesThroughTheServiceAndFallsBackWithoutBusOrService) {
    QStringList fallenBack;
    const auto fallback = [&](const QString& summary, const QString& body) {
        fallenBack.append(summary + QStringLiteral(" | ") + body);
    };
    FreedesktopNotifier(QDBusConnection(QStringLiteral("no bus")), fallback)
        .notify(QStringLiteral("Veltrano"), QStringLiteral("A"));
    EXPECT_EQ(fallenBack, QStringList{QStringLiteral("Veltrano | A")});

    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/setup installs it)";
    // A bus of our own that activates nothing, so no real notification service can answer.
    TestEnvironment environment;
    QFile config(environment.path(QStringLiteral("bus.conf")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><policy context='default'>"
                 "<allow send_destination='*'/><allow receive_sender='*'/><allow own='*'/>"
                 "</policy></busconfig>");
    config.close();
    QProcess bus;
    bus.start(daemon, {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
    ASSERT_TRUE(bus.waitForReadyRead(5000)) << bus.readAllStandardError().toStdString();
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    // Closed last, once nothing holds them any more (libdbus aborts on a private
    // connection left open), and the bus after them.
    const auto closeConnections = qScopeGuard([&bus] {
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("server"));
        bus.kill();
        bus.waitForFinished();
    });
    QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("client"));
    QDBusConnection server = QDBusConnection::connectToBus(address, QStringLiteral("server"));
    FreedesktopNotifier notifier(client, fallback);

    notifier.notify(QStringLiteral("Veltrano"), QStringLiteral("B"));
    ASSERT_TRUE(waitUntil([&] { return fallenBack.size() == 2; }));
    FakeNotificationService service;
    ASSERT_TRUE(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                      QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.Notifications")));
    notifier.notify(QStringLiteral("Veltrano"), QStringLiteral("R5 · Device offline"));
    ASSERT_TRUE(waitUntil([&] { return !service.shown.isEmpty(); }));
    EXPECT_EQ(service.shown, QStringList{QStringLiteral(
                                 "Veltrano | com.brightfold.Veltrano | Veltrano | R5 · Device offline")});
    EXPECT_EQ(fallenBack.last(), QStringLiteral("Veltrano | B"));
}

} // namespace

#include "FreedesktopNotifierTest.moc"

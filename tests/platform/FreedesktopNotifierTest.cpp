#include "platform/FreedesktopNotifier.h"

#include "TestEnvironment.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryFile>
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
        shown.append(QStringList{appName, icon, summary, body}.join(u'|'));
        return 1;
    }
};

// Without a bus, and on a bus of our own until the service appears there, the
// message goes to the fallback.
TEST(FreedesktopNotifierTest, NotifiesThroughTheServiceAndFallsBackWithoutBusOrService) {
    QStringList fallenBack;
    const auto fallback = [&](const QString&, const QString& body) { fallenBack.append(body); };
    FreedesktopNotifier(QDBusConnection(QStringLiteral("none")), fallback)
        .notify(QString(), QStringLiteral("A"));

    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/setup --tests installs it)";
    // It activates nothing, so no real notification service can answer.
    QTemporaryFile config;
    ASSERT_TRUE(config.open());
    config.write(
        "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><policy context='default'>"
        "<allow send_destination='*'/><allow receive_sender='*'/><allow own='*'/></policy></busconfig>");
    config.flush();
    QProcess bus;
    bus.start(daemon, {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                       QStringLiteral("--config-file=") + config.fileName()});
    ASSERT_TRUE(bus.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    // Two connections, so that the call crosses the bus. Closed after everything that
    // holds them: libdbus aborts on a private connection left open.
    const auto closeConnections = qScopeGuard([] {
        for (const char* name : {"client", "service"})
            QDBusConnection::disconnectFromBus(QString::fromLatin1(name));
    });
    QDBusConnection connection = QDBusConnection::connectToBus(address, QStringLiteral("service"));
    FreedesktopNotifier notifier(QDBusConnection::connectToBus(address, QStringLiteral("client")), fallback);
    notifier.notify(QString(), QStringLiteral("B"));
    ASSERT_TRUE(waitUntil([&] { return fallenBack.size() == 2; }));

    FakeNotificationService service;
    connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                              QDBusConnection::ExportAllSlots);
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
    notifier.notify(QStringLiteral("Veltrano"), QStringLiteral("R5 · Device offline"));
    ASSERT_TRUE(waitUntil([&] { return !service.shown.isEmpty(); }));
    EXPECT_EQ(service.shown.join(u'\n'),
              QStringLiteral("Veltrano|com.brightfold.Veltrano|Veltrano|R5 · Device offline"));
    EXPECT_EQ(fallenBack, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    bus.kill();
    bus.waitForFinished();
}

} // namespace

#include "FreedesktopNotifierTest.moc"

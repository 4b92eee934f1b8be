#include "platform/FreedesktopNotifier.h"

#include "PrivateSessionBus.h"
#include "TestEnvironment.h"

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

    // Declared before what holds its connections, so that it closes them after.
    PrivateSessionBus bus;
    if (bus.address.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/setup --tests installs it)";
    // Two connections, so that the call crosses the bus.
    QDBusConnection connection = bus.connect(QStringLiteral("service"));
    FreedesktopNotifier notifier(bus.connect(QStringLiteral("client")), fallback);
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
}

} // namespace

#include "FreedesktopNotifierTest.moc"

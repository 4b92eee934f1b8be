#include "platform/StatusNotifierClicks.h"

#include "TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// A status item as Qt exports one: it answers Activate and keeps no position.
class FakeStatusItem : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
public:
    int activations = 0;

public Q_SLOTS:
    void Activate(int, int) { ++activations; }
};

// The host's clicks on our item reach the item as before, and their positions
// reach us; a click without a position and a click on another program's item
// do not.
TEST(StatusNotifierClicksTest, ReadsThePositionOfClicksOnOurItemOnly) {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/setup --tests installs it)";
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
    const auto closeConnections = qScopeGuard([&bus] {
        for (const char* name : {"ours", "theirs", "host"})
            QDBusConnection::disconnectFromBus(QString::fromLatin1(name));
        bus.kill();
        bus.waitForFinished();
    });
    QDBusConnection ours = QDBusConnection::connectToBus(address, QStringLiteral("ours"));
    QDBusConnection theirs = QDBusConnection::connectToBus(address, QStringLiteral("theirs"));
    QDBusConnection host = QDBusConnection::connectToBus(address, QStringLiteral("host"));
    FakeStatusItem ourItem;
    FakeStatusItem theirItem;
    ours.registerObject(QStringLiteral("/StatusNotifierItem"), &ourItem, QDBusConnection::ExportAllSlots);
    theirs.registerObject(QStringLiteral("/StatusNotifierItem"), &theirItem, QDBusConnection::ExportAllSlots);

    StatusNotifierClicks clicks;
    ASSERT_TRUE(clicks.watch(address, ours.baseService()));
    QList<QPoint> seen;
    QObject::connect(&clicks, &StatusNotifierClicks::clicked, [&](QPoint at) { seen.append(at); });
    const auto click = [&](const QDBusConnection& item, int x, int y) {
        QDBusMessage activate = QDBusMessage::createMethodCall(
            item.baseService(), QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
        activate << x << y;
        EXPECT_NE(host.call(activate, QDBus::BlockWithGui, 2000).type(), QDBusMessage::ErrorMessage);
    };
    click(theirs, 30, 40);
    click(ours, 0, 0);
    click(ours, 1300, 12);
    ASSERT_TRUE(waitUntil([&] { return !seen.isEmpty(); }));
    click(ours, 1310, 14);
    ASSERT_TRUE(waitUntil([&] { return seen.size() == 2; }));

    EXPECT_EQ(seen, (QList<QPoint>{{1300, 12}, {1310, 14}}));
    EXPECT_EQ(clicks.recentClick(5s), QPoint(1310, 14));
    EXPECT_EQ(ourItem.activations, 3);
    EXPECT_EQ(theirItem.activations, 1);
}

} // namespace

#include "StatusNotifierClicksTest.moc"

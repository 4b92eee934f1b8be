#include "platform/StatusNotifierClicks.h"

#include "PrivateSessionBus.h"
#include "TestEnvironment.h"

#include <QDBusMessage>
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
    PrivateSessionBus bus;
    if (bus.address.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/setup --tests installs it)";
    QDBusConnection ours = bus.connect(QStringLiteral("ours"));
    QDBusConnection theirs = bus.connect(QStringLiteral("theirs"));
    QDBusConnection host = bus.connect(QStringLiteral("host"));
    FakeStatusItem ourItem;
    FakeStatusItem theirItem;
    ours.registerObject(QStringLiteral("/StatusNotifierItem"), &ourItem, QDBusConnection::ExportAllSlots);
    theirs.registerObject(QStringLiteral("/StatusNotifierItem"), &theirItem, QDBusConnection::ExportAllSlots);

    StatusNotifierClicks clicks;
    ASSERT_TRUE(clicks.watch(bus.address, ours.baseService()));
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

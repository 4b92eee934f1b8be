#include "platform/NetlinkNetworkEvents.h"

#include "TestEnvironment.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "monitor/FakeRouterService.h"
#include "monitor/NetworkChangeWatcher.h"
#include "platform/PrivateNetwork.h"
#include "platform/RecordingSystemLog.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

class NetlinkNetworkEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!inPrivateNetworkNamespace())
            GTEST_SKIP() << "runs only inside run-in-private-network.sh";
        ipProgram = QStandardPaths::findExecutable(
            QStringLiteral("ip"),
            {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")});
        if (ipProgram.isEmpty())
            GTEST_SKIP() << "the ip program (iproute2) is not installed";
        ASSERT_TRUE(runIp("link set lo up\n"));
        // Bringing lo up queues events of its own; let them pass unseen.
        waitUntil([] { return false; }, 100);
    }

    bool runIp(const QByteArray& commands) {
        QProcess ip;
        ip.start(ipProgram, {QStringLiteral("-batch"), QStringLiteral("-")});
        ip.write(commands);
        ip.closeWriteChannel();
        return ip.waitForFinished(10000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
    }

    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    QString ipProgram;
};

// The whole path the monitor uses: one burst of real kernel messages is one
// event, delivered promptly, and one check of the gateways once things settle.
// The burst runs while the main loop is blocked, so all it causes is queued by
// the time the source reads; IPv4 only, since IPv6 finishes some of its work
// later, from a kernel worker.
TEST_F(NetlinkNetworkEventsTest, OneBurstIsOneEventAndOneDebouncedGatewayCheck) {
    settings.writeString(SettingsKey::routerIP, QStringLiteral("10.220.0.1"));
    FakeRouterService router;
    NetlinkNetworkEvents events(logger);
    ASSERT_TRUE(events.isFollowingNetworkPaths());
    NetworkChangeWatcher watcher(settings, router, events);
    int emitted = 0;
    QObject::connect(&events, &NetworkEventSource::networkChanged, [&emitted] { ++emitted; });

    ASSERT_TRUE(runIp("addr add 10.220.0.2/24 dev lo\nroute add 10.221.0.0/24 dev lo\n"
                      "link set lo mtu 1500\naddr del 10.220.0.2/24 dev lo\n"));
    EXPECT_TRUE(waitUntil([&emitted] { return emitted > 0; }, 500)) << "not delivered promptly";

    waitUntil([] { return false; }, 1600);
    EXPECT_EQ(emitted, 1);
    EXPECT_EQ(router.gatewayLookups, 1);
    for (const SystemLogLine& line : systemLog.lines)
        EXPECT_NE(line.level, SystemLogLevel::error) << line.message.toStdString();
}

} // namespace

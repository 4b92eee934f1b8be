#include "platform/NetlinkNetworkEvents.h"

#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "monitor/FakeRouterService.h"
#include "monitor/NetworkChangeWatcher.h"
#include "platform/RecordingSystemLog.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

// These tests change addresses and routes, so they refuse to run anywhere but
// in the private network namespace that run-in-private-network.sh makes.
bool inPrivateNetworkNamespace() {
    if (qEnvironmentVariable("VELTRANO_PRIVATE_NETWORK") != QStringLiteral("1"))
        return false;
    const QString own = QFile::symLinkTarget(QStringLiteral("/proc/self/ns/net"));
    const QString first = QFile::symLinkTarget(QStringLiteral("/proc/1/ns/net"));
    return !own.isEmpty() && own != first;
}

struct CommandRow {
    const char* name;
    friend void PrintTo(const CommandRow& row, std::ostream* os) { *os << row.name; }
    // `ip -batch` lines, run while the main loop is blocked, so everything they
    // cause is queued by the time the source reads. Each row uses its own
    // addresses, since all rows share one namespace. IPv4 only: IPv6 finishes
    // some of its work later, from a kernel worker, which is a second batch.
    const char* commands;
};

class NetlinkNetworkEventsTest : public ::testing::TestWithParam<CommandRow> {
protected:
    void SetUp() override {
        if (!inPrivateNetworkNamespace())
            GTEST_SKIP() << "runs only inside run-in-private-network.sh";
        ipProgram = QStandardPaths::findExecutable(QStringLiteral("ip"));
        if (ipProgram.isEmpty())
            ipProgram = QStandardPaths::findExecutable(
                QStringLiteral("ip"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
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

TEST_P(NetlinkNetworkEventsTest, OneQueuedBurstIsOneEventDeliveredPromptly) {
    NetlinkNetworkEvents events(logger);
    ASSERT_TRUE(events.isFollowingNetworkPaths());
    int emitted = 0;
    QObject::connect(&events, &NetworkEventSource::networkChanged, [&emitted] { ++emitted; });
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(emitted, 0) << "nothing changed yet";

    ASSERT_TRUE(runIp(GetParam().commands));
    QElapsedTimer sinceChange;
    sinceChange.start();
    ASSERT_TRUE(waitUntil([&emitted] { return emitted > 0; }, 2000));
    EXPECT_LT(sinceChange.elapsed(), 500);

    waitUntil([] { return false; }, 300);
    EXPECT_EQ(emitted, 1);
    EXPECT_TRUE(systemLog.messages().filter(QStringLiteral("can no longer be read")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Rows, NetlinkNetworkEventsTest,
                         ::testing::Values(CommandRow{"AddressAdded", "addr add 10.200.0.1/24 dev lo\n"},
                                           CommandRow{"RouteAdded", "route add 10.201.0.0/24 dev lo\n"},
                                           CommandRow{"LinkChanged", "link set lo mtu 1500\n"},
                                           CommandRow{"Burst", "addr add 10.210.0.1/24 dev lo\n"
                                                               "addr add 10.210.1.1/24 dev lo\n"
                                                               "route add 10.211.0.0/24 dev lo\n"
                                                               "route add 10.212.0.0/24 dev lo\n"
                                                               "addr del 10.210.1.1/24 dev lo\n"}),
                         [](const ::testing::TestParamInfo<CommandRow>& info) {
                             return std::string(info.param.name);
                         });

// The whole path the monitor uses: real kernel messages in, one debounced check of
// the gateways out, a second after the change.
TEST_F(NetlinkNetworkEventsTest, AddedAddressAndRouteCauseExactlyOneDebouncedCheck) {
    settings.writeString(SettingsKey::routerIP, QStringLiteral("10.220.0.1"));
    FakeRouterService router;
    NetlinkNetworkEvents events(logger);
    NetworkChangeWatcher watcher(settings, router, events);
    watcher.start();

    ASSERT_TRUE(runIp("addr add 10.220.0.2/24 dev lo\n"));
    ASSERT_TRUE(runIp("route add 10.221.0.0/24 dev lo\n"));
    waitUntil([] { return false; }, 1600);
    EXPECT_EQ(router.gatewayLookups, 1);
}

} // namespace

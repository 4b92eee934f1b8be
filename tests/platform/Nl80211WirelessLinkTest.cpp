#include "platform/Nl80211WirelessLink.h"

#include "TestEnvironment.h"
#include "app/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "platform/RecordingSystemLog.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// Only the kernel's answer for this machine can be checked here: it has no
// Wi-Fi hardware, so nl80211 is either missing or lists no station interface.
TEST(Nl80211WirelessLinkLive, MachineWithoutWiFiReadsNoneAndSaysSoOnce) {
    if (!QDir(QStringLiteral("/sys/class/ieee80211")).isEmpty(QDir::Dirs | QDir::NoDotAndDotDot))
        GTEST_SKIP() << "this machine has Wi-Fi hardware";

    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    const Nl80211WirelessLink link(logger);

    for (int read = 0; read < 3; ++read) {
        EXPECT_EQ(link.currentLink(), std::nullopt);
        EXPECT_EQ(link.currentChannelBand(), std::nullopt);
    }
    EXPECT_LE(systemLog.lines.size(), 1);
}

} // namespace

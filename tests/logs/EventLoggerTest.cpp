#include "logs/EventLogger.h"

#include "TestEnvironment.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "logs/DebugGatedSystemLog.h"
#include "logs/DebugLog.h"
#include "platform/RecordingSystemLog.h"

#include <gtest/gtest.h>

namespace {

class EventLoggerTest : public ::testing::Test {
protected:
    QStringList systemMessages() const {
        QStringList messages;
        for (const SystemLogLine& line : systemLog.lines)
            messages.append(line.message);
        return messages;
    }

    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
};

// The system log gets code and detail as one text at the event's level; the debug
// log keeps them apart, and only while debug logging is on. Switching on is itself
// recorded, switching off is not, and the menu hears of both.
TEST_F(EventLoggerTest, EveryEventReachesTheSystemLogAndWhileOnTheDebugLog) {
    QObject observer;
    std::vector<std::optional<bool>> announced;
    NotificationCenter::shared().observe(NotificationName::debugLoggingToggled, &observer,
                                         [&](std::optional<bool> value) { announced.push_back(value); });

    logger.logError(VtCode::nodeUnreachable, QStringLiteral("off"));
    settings.writeBool(SettingsKey::debugLogging, true);
    logger.debugLoggingToggled(true);
    logger.logDebug(VtCode::authDiag, QStringLiteral("a|b"));
    settings.writeBool(SettingsKey::debugLogging, false);
    logger.debugLoggingToggled(false);
    ASSERT_TRUE(waitUntil([&] { return announced.size() == 2; }));

    EXPECT_EQ(announced, (std::vector<std::optional<bool>>{true, false}));
    EXPECT_EQ(systemLog.lines.at(2).level, SystemLogLevel::debug);
    EXPECT_EQ(systemMessages(), (QStringList{QStringLiteral("VT-4008 off"), QStringLiteral("VT-9003"),
                                             QStringLiteral("VT-2004 a|b"), QStringLiteral("VT-9004")}));
    ASSERT_EQ(debugLog.entries().size(), 2);
    EXPECT_EQ(debugLog.entries()[0].code, VtCode::debugOn);
    EXPECT_EQ(debugLog.entries()[1].level, QStringLiteral("DEBUG"));
    EXPECT_EQ(debugLog.entries()[1].detail, QStringLiteral("a|b"));
}

TEST_F(EventLoggerTest, DebugEventsReachTheGatedSystemLogOnlyWhileDebugLoggingIsOn) {
    DebugGatedSystemLog gated(systemLog, settings);
    gated.write(SystemLogLevel::debug, QStringLiteral("VT-5001 off"), VtCode::bandwidthSample);
    gated.write(SystemLogLevel::info, QStringLiteral("VT-4002 off"), VtCode::stateTransition);
    settings.writeBool(SettingsKey::debugLogging, true);
    gated.write(SystemLogLevel::debug, QStringLiteral("VT-5001 on"), VtCode::bandwidthSample);

    EXPECT_EQ(systemMessages(), (QStringList{QStringLiteral("VT-4002 off"), QStringLiteral("VT-5001 on")}));
}

} // namespace

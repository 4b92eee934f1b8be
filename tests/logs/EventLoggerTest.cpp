#include "logs/EventLogger.h"

#include "TestEnvironment.h"
#include "app/NotificationCenter.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/DebugGatedSystemLog.h"
#include "logs/DebugLog.h"
#include "platform/RecordingSystemLog.h"

#include <gtest/gtest.h>

namespace {

class EventLoggerTest : public ::testing::Test {
protected:
    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
};

// The system log gets code and detail as one text; the debug log keeps them apart.
TEST_F(EventLoggerTest, EachLevelReachesBothLogsInItsOwnShape) {
    settings.writeBool(SettingsKey::debugLogging, true);
    logger.logInfo(VtCode::monitorStarted, QString());
    logger.logDebug(VtCode::authDiag, QStringLiteral("alg:1"));
    logger.logError(VtCode::authRejected, QStringLiteral("a|b"));

    EXPECT_EQ(
        systemLog.lines,
        (QList<SystemLogLine>{{SystemLogLevel::info, QStringLiteral("VT-4001"), VtCode::monitorStarted},
                              {SystemLogLevel::debug, QStringLiteral("VT-2004 alg:1"), VtCode::authDiag},
                              {SystemLogLevel::error, QStringLiteral("VT-2003 a|b"), VtCode::authRejected}}));
    const QStringList levels{QStringLiteral("INFO"), QStringLiteral("DEBUG"), QStringLiteral("ERROR")};
    const QStringList details{QString(), QStringLiteral("alg:1"), QStringLiteral("a|b")};
    ASSERT_EQ(debugLog.entries().size(), 3);
    for (qsizetype i = 0; i < 3; ++i) {
        EXPECT_EQ(debugLog.entries()[i].level, levels[i]);
        EXPECT_EQ(debugLog.entries()[i].code, systemLog.lines[i].code);
        EXPECT_EQ(debugLog.entries()[i].detail, details[i]);
    }
}

TEST_F(EventLoggerTest, SwitchingOnIsRecordedSwitchingOffIsNotAndOffRecordsNothing) {
    QObject observer;
    std::vector<std::optional<bool>> announced;
    NotificationCenter::shared().observe(NotificationName::debugLoggingToggled, &observer,
                                         [&](std::optional<bool> value) { announced.push_back(value); });

    logger.logError(VtCode::nodeUnreachable, QStringLiteral("absent setting"));
    settings.writeBool(SettingsKey::debugLogging, true);
    logger.debugLoggingToggled(true);
    settings.writeBool(SettingsKey::debugLogging, false);
    logger.debugLoggingToggled(false);
    logger.logError(VtCode::nodeUnreachable, QStringLiteral("off"));
    ASSERT_TRUE(waitUntil([&] { return announced.size() == 2; }));

    EXPECT_EQ(announced, (std::vector<std::optional<bool>>{true, false}));
    EXPECT_EQ(systemLog.messages(),
              (QStringList{QStringLiteral("VT-4008 absent setting"), QStringLiteral("VT-9003"),
                           QStringLiteral("VT-9004"), QStringLiteral("VT-4008 off")}));
    ASSERT_EQ(debugLog.entries().size(), 1);
    EXPECT_EQ(debugLog.entries()[0].code, VtCode::debugOn);
}

TEST_F(EventLoggerTest, DebugEventsReachTheGatedSystemLogOnlyWhileDebugLoggingIsOn) {
    DebugGatedSystemLog gated(systemLog, settings);
    const auto writeEach = [&gated](const QString& detail) {
        gated.write(SystemLogLevel::debug, QStringLiteral("VT-5001 ") + detail, VtCode::bandwidthSample);
        gated.write(SystemLogLevel::info, QStringLiteral("VT-4002 ") + detail, VtCode::stateTransition);
        gated.write(SystemLogLevel::error, QStringLiteral("VT-4008 ") + detail, VtCode::nodeUnreachable);
    };
    writeEach(QStringLiteral("off"));
    settings.writeBool(SettingsKey::debugLogging, true);
    writeEach(QStringLiteral("on"));

    EXPECT_EQ(systemLog.messages(), (QStringList{QStringLiteral("VT-4002 off"), QStringLiteral("VT-4008 off"),
                                                 QStringLiteral("VT-5001 on"), QStringLiteral("VT-4002 on"),
                                                 QStringLiteral("VT-4008 on")}));
}

} // namespace

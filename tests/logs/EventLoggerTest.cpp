#include "logs/EventLogger.h"

#include "TestEnvironment.h"
#include "app/NotificationCenter.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
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

struct LevelRow {
    const char* name;
    friend void PrintTo(const LevelRow& row, std::ostream* os) { *os << row.name; }
    void (EventLogger::*operation)(VtCode, const QString&);
    SystemLogLevel level;
    const char* label;
};

class EventLoggerLevels : public EventLoggerTest, public ::testing::WithParamInterface<LevelRow> {};

TEST_P(EventLoggerLevels, SystemLogAndDebugLogGetTheirOwnShapes) {
    settings.writeBool(SettingsKey::debugLogging, true);
    (logger.*GetParam().operation)(VtCode::authRejected, QStringLiteral("no-sid"));

    ASSERT_EQ(systemLog.lines.size(), 1);
    EXPECT_EQ(systemLog.lines[0],
              (SystemLogLine{GetParam().level, QStringLiteral("VT-2003 no-sid"), VtCode::authRejected}));
    ASSERT_EQ(debugLog.entries().size(), 1);
    EXPECT_EQ(debugLog.entries()[0].level, QString::fromUtf8(GetParam().label));
    EXPECT_EQ(debugLog.entries()[0].code, VtCode::authRejected);
    EXPECT_EQ(debugLog.entries()[0].detail, QStringLiteral("no-sid"));
}

INSTANTIATE_TEST_SUITE_P(
    Operations, EventLoggerLevels,
    ::testing::Values(LevelRow{"info", &EventLogger::logInfo, SystemLogLevel::info, "INFO"},
                      LevelRow{"debug", &EventLogger::logDebug, SystemLogLevel::debug, "DEBUG"},
                      LevelRow{"error", &EventLogger::logError, SystemLogLevel::error, "ERROR"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EventLoggerTest, EmptyDetailLogsTheCodeAloneAndKeepsTheDetailEmpty) {
    settings.writeBool(SettingsKey::debugLogging, true);
    logger.logInfo(VtCode::monitorStarted, QString());

    ASSERT_EQ(systemLog.lines.size(), 1);
    EXPECT_EQ(systemLog.lines[0].message, QStringLiteral("VT-4001"));
    ASSERT_EQ(debugLog.entries().size(), 1);
    EXPECT_TRUE(debugLog.entries()[0].detail.isEmpty());
}

TEST_F(EventLoggerTest, WithoutDebugLoggingOnlyTheSystemLogHearsOfIt) {
    logger.logError(VtCode::nodeUnreachable, QStringLiteral("absent key"));
    settings.writeBool(SettingsKey::debugLogging, false);
    logger.logError(VtCode::nodeUnreachable, QStringLiteral("off"));

    EXPECT_EQ(systemLog.lines.size(), 2);
    EXPECT_TRUE(debugLog.entries().isEmpty());
}

TEST_F(EventLoggerTest, SwitchingOnIsRecordedAndSwitchingOffIsNot) {
    QObject observer;
    std::vector<std::optional<bool>> announced;
    NotificationCenter::shared().observe(NotificationName::debugLoggingToggled, &observer,
                                         [&](std::optional<bool> value) { announced.push_back(value); });

    settings.writeBool(SettingsKey::debugLogging, true);
    logger.debugLoggingToggled(true);
    settings.writeBool(SettingsKey::debugLogging, false);
    logger.debugLoggingToggled(false);
    ASSERT_TRUE(waitUntil([&] { return announced.size() == 2; }));

    EXPECT_EQ(announced, (std::vector<std::optional<bool>>{true, false}));
    ASSERT_EQ(systemLog.lines.size(), 2);
    EXPECT_EQ(systemLog.lines[0],
              (SystemLogLine{SystemLogLevel::info, QStringLiteral("VT-9003"), VtCode::debugOn}));
    EXPECT_EQ(systemLog.lines[1],
              (SystemLogLine{SystemLogLevel::info, QStringLiteral("VT-9004"), VtCode::debugOff}));
    ASSERT_EQ(debugLog.entries().size(), 1);
    EXPECT_EQ(debugLog.entries()[0].code, VtCode::debugOn);
    EXPECT_EQ(debugLog.entries()[0].level, QStringLiteral("INFO"));
}

} // namespace

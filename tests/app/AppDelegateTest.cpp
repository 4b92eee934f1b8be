#include "app/AppDelegate.h"

#include "TestEnvironment.h"
#include "app/LaunchSteps.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "app/WhatsNewCheck.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "logs/SessionLog.h"
#include "platform/RecordingSystemLog.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

const QString currentBuild = QStringLiteral("26120601");

// Records each step with what the settings and the session log held when it ran,
// so the order of the delegate's own steps shows as well.
class RecordingSteps : public LaunchSteps {
public:
    RecordingSteps(SettingsStore& settings, SessionLog& log)
        : settings(settings)
        , log(log) {}

    void showSplash() override { record(QStringLiteral("splash")); }
    bool runCredentialMigrations() override {
        record(QStringLiteral("migrations"));
        return ranBefore;
    }
    void autoConnect() override { record(QStringLiteral("autoConnect")); }
    void startUpdater() override { record(QStringLiteral("updater")); }
    void showStatusItem() override { record(QStringLiteral("statusItem")); }
    void startMonitor() override { record(QStringLiteral("monitor")); }
    void installObservers() override { record(QStringLiteral("observers")); }
    void showFloatingWindow() override { record(QStringLiteral("floating")); }
    void subscribeSplitResize() override { record(QStringLiteral("splitResize")); }
    void showWhatsNew(const QList<WhatsNewEntry>& entries) override {
        record(QStringLiteral("whatsNew"));
        shownEntries = entries.size();
    }

    // step: whatsNewLastSeenBuild written / routerConnected / defaults registered / launch logged
    void record(const QString& step) {
        steps.append(step + QLatin1Char(' ') +
                     QString::number(settings.readString(SettingsKey::whatsNewLastSeenBuild).has_value()) +
                     QString::number(settings.readObject(SettingsKey::routerConnected).has_value()) +
                     QString::number(settings.readObject(SettingsKey::audioThreshold).has_value()) +
                     QString::number(log.entries().size()));
    }

    SettingsStore& settings;
    SessionLog& log;
    bool ranBefore = false;
    QStringList steps;
    qsizetype shownEntries = 0;
};

class AppDelegateTest : public ::testing::Test {
protected:
    TestEnvironment env;
    SettingsStore settings{env.configHome() + QStringLiteral("/Veltrano/settings.json")};
    SessionLog log{env.dataHome() + QStringLiteral("/Veltrano/session_log.json")};
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    RecordingSteps steps{settings, log};
    AppDelegate delegate{settings, log, logger, steps, currentBuild};
};

// A first launch: the build is recorded before the reconnection, the connection
// flag is reset before it and the defaults come after it, the launch entry
// before the updater; no floating window, no What's New.
TEST_F(AppDelegateTest, FirstLaunchRunsTheStepsInOrder) {
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(steps.steps.join(QLatin1Char(',')),
              QStringLiteral("splash 0000,migrations 0000,autoConnect 1100,updater 1111,statusItem 1111,"
                             "monitor 1111,observers 1111,splitResize 1111"));
    EXPECT_EQ(settings.readString(SettingsKey::whatsNewLastSeenBuild), currentBuild);
}

// After an update from a build that never recorded itself: every note, 3.3 s
// after launch; an enabled floating window comes up before the subscription.
TEST_F(AppDelegateTest, UpdateShowsWhatsNewLaterAndTheFloatingWindowAtOnce) {
    steps.ranBefore = true;
    settings.writeBool(SettingsKey::floatingWindowEnabled, true);
    QElapsedTimer elapsed;
    elapsed.start();
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(steps.steps.mid(steps.steps.size() - 2).join(QLatin1Char(',')),
              QStringLiteral("floating 1111,splitResize 1111"));
    ASSERT_TRUE(waitUntil([&] { return steps.shownEntries > 0; }, 5000));
    EXPECT_GE(elapsed.elapsed(), AppDelegate::whatsNewDelay.count());
    EXPECT_EQ(steps.shownEntries, whatsNewEntries().size());
}

// The check alone, against the table: only newer builds, compared as strings,
// and a same-build launch leaves no trace.
TEST_F(AppDelegateTest, WhatsNewSelectsNewerBuildsAndIsSilentForTheSameBuild) {
    for (const QString& lastSeen : {QStringLiteral("26071302"), QStringLiteral("2608")}) {
        settings.writeString(SettingsKey::whatsNewLastSeenBuild, lastSeen);
        const QList<WhatsNewEntry> unseen = WhatsNewCheck::run(settings, logger, currentBuild, true);
        ASSERT_FALSE(unseen.isEmpty());
        qsizetype matched = 0;
        for (const WhatsNewEntry& entry : whatsNewEntries()) {
            if (entry.build > lastSeen) {
                EXPECT_EQ(entry.id, unseen.value(matched++).id) << entry.build.toStdString();
            }
        }
        EXPECT_EQ(matched, unseen.size());
    }
    EXPECT_TRUE(unseenEntries(QStringLiteral("26080208")).isEmpty());
    EXPECT_TRUE(unseenEntries(std::nullopt).isEmpty());

    systemLog.lines.clear();
    EXPECT_TRUE(WhatsNewCheck::run(settings, logger, currentBuild, true).isEmpty());
    EXPECT_TRUE(systemLog.lines.isEmpty());
}

} // namespace

#include "monitor/AlertManager.h"

#include "FakeClock.h"
#include "FakeSoundPlayer.h"
#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "logs/DebugLog.h"
#include "monitor/DesktopNotifications.h"
#include "platform/DesktopNotifier.h"

#include <gtest/gtest.h>

namespace {

// The manager logs through the shared logger, so the shared settings (in the
// test's private XDG folder) switch debug logging on and the shared debug log
// shows what was logged.
class AlertManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.removeAll();
        settings.writeBool(SettingsKey::debugLogging, true);
        settings.writeBool(SettingsKey::audioEnabled, true);
        DebugLog::shared().setEntries({});
    }

    // "VT-4003 critical", "VT-4004", ... in the order logged.
    static QStringList logged() {
        QStringList lines;
        for (const DebugEntry& entry : DebugLog::shared().entries())
            lines.append(entry.detail.isEmpty() ? rawValue(entry.code)
                                                : rawValue(entry.code) + QLatin1Char(' ') + entry.detail);
        return lines;
    }

    void setStates(std::optional<SignalState> a, std::optional<SignalState> b) {
        if (a)
            alerts.setState(TargetSlot::a, *a);
        if (b)
            alerts.setState(TargetSlot::b, *b);
    }

    SettingsStore& settings = SettingsStore::shared();
    FakeSoundPlayer player;
    FakeClock clock;
    AlertManager alerts{settings, player, clock};
};

class RecordingNotifier : public DesktopNotifier {
public:
    void notify(const QString& summary, const QString& body) override { shown.append(summary + u'|' + body); }
    QStringList shown;
};

const auto critical = SignalState::critical;
const auto marginal = SignalState::marginal;
const auto excellent = SignalState::excellent;
const QStringList tink = {QStringLiteral("loop Tink")};
const QStringList blow = {QStringLiteral("play Blow")};

TEST_F(AlertManagerTest, OneEvaluationPlaysWhatTheActiveSlotsAskFor) {
    struct Row {
        const char* name;
        bool audioEnabled;
        const char* threshold;
        std::optional<SignalState> a, b;
        bool disableA;
        std::optional<SignalState> playing;
        QStringList events;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"sound off, critical is silent", false, nullptr, critical, critical, false, {}, {}},
             {"no threshold warns on marginal", true, nullptr, marginal, {}, false, marginal, blow},
             {"threshold Critical ignores marginal", true, "Critical", marginal, {}, false, {}, {}},
             {"threshold Critical, B critical", true, "Critical", marginal, critical, false, critical, tink},
             {"unknown threshold ignores marginal", true, "marginal", marginal, {}, false, {}, {}},
             {"critical wins from either slot", true, nullptr, marginal, critical, false, critical, tink},
             {"disabled critical leaves marginal", true, nullptr, critical, marginal, true, marginal,
              blow}}) {
        SCOPED_TRACE(row.name);
        AlertManager alerts{settings, player, clock};
        player.events.clear();
        DebugLog::shared().setEntries({});
        settings.writeBool(SettingsKey::audioEnabled, row.audioEnabled);
        if (row.threshold)
            settings.writeString(SettingsKey::audioThreshold, QString::fromLatin1(row.threshold));
        else
            settings.remove(SettingsKey::audioThreshold);
        if (row.disableA)
            alerts.disable(TargetSlot::a);
        if (row.a)
            alerts.setState(TargetSlot::a, *row.a);
        if (row.b)
            alerts.setState(TargetSlot::b, *row.b);
        alerts.evaluate();
        EXPECT_EQ(alerts.playingState(), row.playing);
        EXPECT_EQ(player.events, row.events);
        EXPECT_EQ(logged().filter(QStringLiteral("VT-4003")).size(), row.playing ? 1 : 0);
    }
}

TEST_F(AlertManagerTest, MarginalToCriticalStopsBlowBeforeTinkAndBackRestartsBlowAtOnce) {
    setStates(marginal, {});
    alerts.evaluate();
    alerts.setState(TargetSlot::a, critical);
    alerts.evaluate();
    alerts.setState(TargetSlot::a, marginal);
    alerts.evaluate();
    EXPECT_EQ(player.events,
              (QStringList{QStringLiteral("play Blow"), QStringLiteral("stop"), QStringLiteral("loop Tink"),
                           QStringLiteral("stop"), QStringLiteral("play Blow")}));
    EXPECT_EQ(logged(), (QStringList{QStringLiteral("VT-4003 marginal"), QStringLiteral("VT-4003 critical"),
                                     QStringLiteral("VT-4003 marginal")}));
}

TEST_F(AlertManagerTest, BlowRepeatsUntilEverySlotIsExcellentAgain) {
    setStates(marginal, excellent);
    alerts.evaluate();
    ASSERT_EQ(alerts.repeatInterval(), std::chrono::milliseconds(1500));
    alerts.repeatTick();
    EXPECT_EQ(player.events, QStringList(2, QStringLiteral("play Blow")));

    alerts.setState(TargetSlot::a, excellent);
    alerts.evaluate();
    alerts.evaluate();
    EXPECT_EQ(alerts.playingState(), std::nullopt);
    EXPECT_EQ(alerts.repeatInterval(), std::nullopt);
    EXPECT_EQ(player.events.last(), QStringLiteral("stop"));
    EXPECT_EQ(logged(), (QStringList{QStringLiteral("VT-4003 marginal"), QStringLiteral("VT-4004")}));
}

TEST_F(AlertManagerTest, SnoozeSilencesTheSlotUntilItsDeadline) {
    setStates(critical, {});
    alerts.evaluate();
    alerts.snooze(TargetSlot::a, 15);
    EXPECT_EQ(logged(), (QStringList{QStringLiteral("VT-4003 critical"), QStringLiteral("VT-4005 15m"),
                                     QStringLiteral("VT-4004")}));
    EXPECT_EQ(player.events.last(), QStringLiteral("stop"));

    clock.advance((15 * 60 - 1) * 1000);
    alerts.evaluate();
    EXPECT_EQ(alerts.playingState(), std::nullopt);

    clock.advance(1000);
    alerts.evaluate();
    EXPECT_EQ(alerts.playingState(), critical);
    EXPECT_EQ(player.events.last(), QStringLiteral("loop Tink"));
}

// The desktop hears what would sound: never of a silenced target, nor of the
// router while every target is silenced; at most once a minute of each target
// and of the router, and not while switched off.
TEST_F(AlertManagerTest, ReEnablingEndsSnoozeAndDisableAtOnceForSoundAndDesktop) {
    RecordingNotifier notifier;
    DesktopNotifications desktop{settings, alerts, clock, notifier};
    const QString r5 = QStringLiteral("R5");
    setStates(critical, marginal);
    alerts.snooze(TargetSlot::a, 15);
    alerts.disable(TargetSlot::b);
    EXPECT_TRUE(alerts.isDisabled(TargetSlot::b));
    EXPECT_EQ(alerts.playingState(), std::nullopt);
    EXPECT_TRUE(logged().contains(QStringLiteral("VT-4006")));
    desktop.stateEntered(TargetSlot::a, critical, r5);
    desktop.routerBecameUnreachable();

    alerts.reEnable(TargetSlot::b);
    EXPECT_FALSE(alerts.isDisabled(TargetSlot::b));
    EXPECT_EQ(alerts.playingState(), marginal);
    alerts.reEnable(TargetSlot::a);
    EXPECT_EQ(alerts.playingState(), critical);

    desktop.stateEntered(TargetSlot::a, marginal, r5);
    desktop.stateEntered(TargetSlot::a, critical, r5);
    desktop.routerBecameUnreachable();
    clock.advance(59'999);
    desktop.stateEntered(TargetSlot::a, SignalState::offline, r5);
    desktop.stateEntered(TargetSlot::b, SignalState::offline, QString());
    clock.advance(1);
    settings.writeBool(SettingsKey::desktopNotifications, false);
    desktop.stateEntered(TargetSlot::a, critical, r5);
    settings.writeBool(SettingsKey::desktopNotifications, true);
    desktop.routerBecameUnreachable();
    EXPECT_EQ(notifier.shown.join(u'\n'),
              QStringLiteral("Veltrano|R5 · Signal critical — connection at risk\n"
                             "Veltrano|Router unreachable\nVeltrano|Device offline\n"
                             "Veltrano|Router unreachable"));
}

// Clearing and switching sound off are no alert ending: no VT-4004.
TEST_F(AlertManagerTest, ClearAndSoundOffSilenceWithoutALogLine) {
    setStates(critical, marginal);
    alerts.evaluate();
    alerts.clear();
    alerts.evaluate();
    EXPECT_EQ(alerts.playingState(), std::nullopt);
    EXPECT_EQ(alerts.state(TargetSlot::a), std::nullopt);

    setStates(critical, {});
    alerts.evaluate();
    settings.writeBool(SettingsKey::audioEnabled, false);
    alerts.evaluate();
    EXPECT_EQ(alerts.playingState(), std::nullopt);
    EXPECT_EQ(player.events, (QStringList{QStringLiteral("loop Tink"), QStringLiteral("stop"),
                                          QStringLiteral("loop Tink"), QStringLiteral("stop")}));
    EXPECT_EQ(logged(), QStringList(2, QStringLiteral("VT-4003 critical")));
}

// Once the loop plays, the same state again neither restarts nor logs it; one
// that could not start is tried at every evaluation but logged once.
TEST_F(AlertManagerTest, ARefusedCriticalSoundIsTriedAgainButLoggedOnce) {
    player.failPlays = true;
    setStates(critical, {});
    alerts.evaluate();
    alerts.evaluate();
    player.failPlays = false;
    alerts.evaluate();
    alerts.evaluate();
    EXPECT_EQ(player.events, QStringList(3, QStringLiteral("loop Tink")));
    EXPECT_EQ(logged(), QStringList{QStringLiteral("VT-4003 critical")});
}

// A headset unplugged or a sound server restarted during an alarm: the loop
// would go on playing into the output that is gone.
TEST_F(AlertManagerTest, TheCriticalLoopStartsAgainOnANewOutputAndALostOutputIsSaidOnce) {
    setStates(critical, {});
    alerts.evaluate();
    player.output = QByteArrayLiteral("headset");
    alerts.evaluate();
    EXPECT_EQ(player.events, (QStringList{QStringLiteral("loop Tink"), QStringLiteral("stop"),
                                          QStringLiteral("loop Tink")}));

    player.output.reset();
    player.failPlays = true;
    alerts.evaluate();
    alerts.evaluate();
    EXPECT_TRUE(alerts.isSilentForLackOfOutput());
    player.output = QByteArrayLiteral("speakers");
    player.failPlays = false;
    alerts.evaluate();
    EXPECT_FALSE(alerts.isSilentForLackOfOutput());
    EXPECT_EQ(player.events.last(), QStringLiteral("loop Tink"));
    EXPECT_EQ(logged(), (QStringList{QStringLiteral("VT-4003 critical"),
                                     QStringLiteral("VT-4006 no sound output \u2014 alerts are silent"),
                                     QStringLiteral("VT-4007 sound output back")}));

    // With audio alerts off nothing would sound anyway: nothing to report, and
    // the output is not even looked at (that alone brings up the sound stack).
    player.output.reset();
    alerts.evaluate();
    settings.writeBool(SettingsKey::audioEnabled, false);
    const int asked = player.outputAsks;
    alerts.evaluate();
    EXPECT_FALSE(alerts.isSilentForLackOfOutput());
    EXPECT_EQ(player.outputAsks, asked);
}

} // namespace

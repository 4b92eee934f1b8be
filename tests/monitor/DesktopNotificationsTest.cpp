#include "monitor/DesktopNotifications.h"

#include "FakeClock.h"
#include "FakeSoundPlayer.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "monitor/AlertManager.h"
#include "platform/DesktopNotifier.h"

#include <gtest/gtest.h>

namespace {

class RecordingNotifier : public DesktopNotifier {
public:
    void notify(const QString& summary, const QString& body) override {
        shown.append(summary + QStringLiteral(" | ") + body);
    }
    QStringList shown;
};

TEST(DesktopNotificationsTest, CriticalOfflineAndRouterLossOncePerMinuteEachUnlessSilenced) {
    SettingsStore& settings = SettingsStore::shared();
    settings.removeAll();
    FakeSoundPlayer player;
    FakeClock clock;
    AlertManager alerts{settings, player, clock};
    RecordingNotifier notifier;
    DesktopNotifications desktop{settings, alerts, clock, notifier};
    const auto a = TargetSlot::a;
    const auto b = TargetSlot::b;

    desktop.stateEntered(a, SignalState::marginal, QStringLiteral("R5"));
    desktop.stateEntered(a, SignalState::critical, QStringLiteral("R5"));
    desktop.routerBecameUnreachable();
    clock.advance(59'999);
    desktop.stateEntered(a, SignalState::offline, QStringLiteral("R5"));
    desktop.stateEntered(b, SignalState::offline, QString());

    clock.advance(1);
    alerts.setState(a, SignalState::critical);
    alerts.setState(b, SignalState::critical);
    alerts.snooze(a, 5);
    alerts.disable(b);
    desktop.stateEntered(a, SignalState::critical, QStringLiteral("R5"));
    desktop.stateEntered(b, SignalState::critical, QString());
    desktop.routerBecameUnreachable();

    alerts.reEnable(a);
    settings.writeBool(SettingsKey::desktopNotifications, false);
    desktop.stateEntered(a, SignalState::offline, QStringLiteral("R5"));
    settings.writeBool(SettingsKey::desktopNotifications, true);
    desktop.routerBecameUnreachable();

    EXPECT_EQ(notifier.shown,
              (QStringList{QStringLiteral("Veltrano | R5 · Signal critical — connection at risk"),
                           QStringLiteral("Veltrano | Router unreachable"),
                           QStringLiteral("Veltrano | Device offline"),
                           QStringLiteral("Veltrano | Router unreachable")}));
}

} // namespace

#pragma once

#include "display/MenuPresenter.h"
#include "display/StatusItem.h"

#include <QString>
#include <array>
#include <optional>

// Stands in for the tray and its menu in the terminal: keeps what they would show,
// so that one line per poll can be printed from it.
class WatchPresenter final : public StatusItem, public MenuPresenter {
public:
    struct SlotReading {
        SignalState state = SignalState::offline;
        int rssi = 0;
        int percent = 0;
        // The SSID in P2P mode, the device's address in router mode.
        QString place;
        // Why there is no reading, shown in place of state and signal.
        QString withoutReading{};
    };

    void setTitle(const StatusTitle& title) override { currentTitle = title; }

    void configureSections(bool twoTargets, const QString& labelA, const QString& labelB) override;
    void showIdleItems() override;
    void updateP2P(const LocalLinkReading& link, int rssi, int percent, SignalState state) override;
    void showLocalLinkUnavailable(bool hasInterface) override;
    void updateTarget(const RouterClient& row, int rssi, int percent, SignalState state,
                      TargetSlot slot) override;
    void updateThroughput(std::optional<double>, std::optional<double>, std::optional<double>,
                          TargetSlot) override {}
    void updateAlertItems(const AlertControls&, TargetSlot) override {}
    void showRouterUnreachable() override;
    void showSoundNotice(bool) override {}

    // "HH:mm:ss  mode  A: Critical -78 dBm 36% 192.168.8.20  B: ...  title: ...";
    // with `colour` the title keeps its run colours as terminal escapes.
    QString line(const QString& time, const QString& mode, bool colour) const;

private:
    std::array<std::optional<SlotReading>, 2> slots;
    std::array<QString, 2> labels{QStringLiteral("A"), QStringLiteral("B")};
    bool twoTargets = false;
    // What stands in place of the readings while there are none to trust.
    QString notice;
    StatusTitle currentTitle;
};

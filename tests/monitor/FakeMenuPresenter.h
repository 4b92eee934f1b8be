#pragma once

#include "display/MenuPresenter.h"

#include <QHash>

// Remembers the latest menu update of each kind, per slot where there is one.
class FakeMenuPresenter : public MenuPresenter {
public:
    struct Sections {
        bool twoTargets = false;
        QString labelA;
        QString labelB;
    };
    struct TargetLines {
        RouterClient row;
        int rssi = 0;
        int percent = 0;
        SignalState state = SignalState::excellent;
    };
    struct Throughput {
        std::optional<double> current;
        std::optional<double> peak;
        std::optional<double> average;
        bool hidden() const { return !current || !peak || !average; }
    };

    void configureSections(bool twoTargets, const QString& labelA, const QString& labelB) override {
        sections = {twoTargets, labelA, labelB};
    }
    void showIdleItems() override { ++idleShown; }
    void updateP2P(const LocalLinkReading&, int rssi, int percent, SignalState state) override {
        ++p2pUpdates;
        p2pLines = {{}, rssi, percent, state};
        localLinkUnavailable.reset();
    }
    void showLocalLinkUnavailable(bool hasInterface) override { localLinkUnavailable = hasInterface; }
    void updateTarget(const RouterClient& row, int rssi, int percent, SignalState state,
                      TargetSlot slot) override {
        targets.insert(slot, {row, rssi, percent, state});
        routerUnreachable = false;
    }
    void updateThroughput(std::optional<double> current, std::optional<double> peak,
                          std::optional<double> average, TargetSlot slot) override {
        throughput.insert(slot, {current, peak, average});
    }
    void updateAlertItems(const AlertControls& controls, TargetSlot slot) override {
        alertItems.insert(slot, controls);
    }
    void showRouterUnreachable() override { routerUnreachable = true; }
    void showSoundNotice(bool silent) override { soundNotice = silent; }

    Sections sections;
    int idleShown = 0;
    int p2pUpdates = 0;
    TargetLines p2pLines;
    QHash<TargetSlot, TargetLines> targets;
    QHash<TargetSlot, Throughput> throughput;
    QHash<TargetSlot, AlertControls> alertItems;
    // Whether the P2P lines say there is an interface; none while they show a reading.
    std::optional<bool> localLinkUnavailable;
    bool routerUnreachable = false;
    bool soundNotice = false;
};

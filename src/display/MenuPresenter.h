#pragma once

#include "monitor/SignalState.h"
#include "monitor/TargetSlot.h"
#include "platform/LocalLinkReading.h"
#include "router/RouterClient.h"

#include <QDateTime>
#include <QString>
#include <optional>

// What a slot's alert controls offer.
struct AlertControls {
    bool alerting = false;
    bool disabled = false;
    // The end of a snooze still in force.
    std::optional<QDateTime> snoozedUntil;
    // With audio alerts off, snoozing or disabling silences nothing; the items say so.
    bool audioOn = true;

    bool operator==(const AlertControls&) const = default;
};

// The information and alert lines of the status item's menu, as the monitor
// updates them. The menu itself (items, order, actions) belongs to the display
// layer. Main thread only.
class MenuPresenter {
public:
    MenuPresenter() = default;
    MenuPresenter(const MenuPresenter&) = delete;
    MenuPresenter& operator=(const MenuPresenter&) = delete;
    virtual ~MenuPresenter() = default;

    virtual void configureSections(bool twoTargets, const QString& labelA, const QString& labelB) = 0;
    virtual void showIdleItems() = 0;
    virtual void updateP2P(const LocalLinkReading& link, int rssi, int percent, SignalState state) = 0;
    // P2P mode without a reading: no Wi-Fi interface at all, or one not associated.
    virtual void showLocalLinkUnavailable(bool hasInterface) = 0;
    virtual void updateTarget(const RouterClient& row, int rssi, int percent, SignalState state,
                              TargetSlot slot) = 0;
    // Any value absent hides the slot's throughput line.
    virtual void updateThroughput(std::optional<double> current, std::optional<double> peak,
                                  std::optional<double> average, TargetSlot slot) = 0;
    virtual void updateAlertItems(const AlertControls& controls, TargetSlot slot) = 0;
    // The targets' lines stay as last read, marked as such, until the next update.
    virtual void showRouterUnreachable() = 0;
    // Audio alerts are on, but there is no output to play them on.
    virtual void showSoundNotice(bool silent) = 0;
};

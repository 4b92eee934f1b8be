#pragma once

#include "monitor/SignalState.h"
#include "monitor/TargetSlot.h"
#include "platform/LocalLinkReading.h"
#include "router/RouterClient.h"

#include <QString>
#include <optional>

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
    virtual void updateTarget(const RouterClient& row, int rssi, int percent, SignalState state,
                              TargetSlot slot) = 0;
    // Any value absent hides the slot's throughput line.
    virtual void updateThroughput(std::optional<double> current, std::optional<double> peak,
                                  std::optional<double> average, TargetSlot slot) = 0;
    virtual void updateAlertItems(bool alerting, bool disabled, TargetSlot slot) = 0;
};

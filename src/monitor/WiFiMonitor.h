#pragma once

#include "display/StatusTitle.h"
#include "monitor/AlertManager.h"
#include "monitor/MonitorContext.h"
#include "monitor/NetworkChangeWatcher.h"
#include "monitor/SignalState.h"
#include "monitor/TargetMonitor.h"
#include "monitor/TargetSlot.h"
#include "platform/LocalLinkReading.h"
#include "router/RouterClient.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

// The monitor loop: once a second it reads the local link (P2P mode) or asks the
// router for each target's row (router mode), or shows the idle indicator. It
// watches the router's health, follows network changes, and owns the status
// title, the alert manager and the two target monitors. Main thread only;
// router completions may come on any thread and are handed back here.
class WiFiMonitor : public QObject {
    Q_OBJECT
public:
    explicit WiFiMonitor(MonitorContext dependencies, QObject* parent = nullptr);

    void start();
    void stop();
    bool isPolling() const { return pollTimer.isActive(); }

    void snoozeAll(int minutes);
    void reEnableAlerts(TargetSlot slot);
    void resetAllBandwidthStats();
    void updateAlertMenuItems();

    // Used by the target monitors to repaint what they show.
    void refreshRouterTitle();
    void setFloatingTarget(const TargetMonitor& target, const RgbColour& colour);

    AlertManager& alertManager() { return alerts; }
    TargetMonitor& target(TargetSlot slot) { return slot == TargetSlot::a ? targetA : targetB; }
    bool routerIsDown() const { return routerDown; }
    // The local link's flash interval in P2P mode; none while it is steady.
    std::optional<std::chrono::milliseconds> p2pFlashInterval() const;
    // The idle indicator's blink phase while it runs; none while it does not.
    std::optional<bool> idleBlinkPhase() const;
    NetworkChangeWatcher& networkWatcher() { return networkChanges; }

    // The bodies of the timers. Public so that tests can play time forward.
    void pollTick();
    void healthTick();
    void p2pFlashTick();
    void idleFlashTick();
    void fetchTimedOut(TargetSlot slot);

    // The blinking idle brackets around a steady "Vt".
    static StatusTitle idleTitle(bool on);

Q_SIGNALS:
    // Each target's reading in router mode, as the target monitors take them.
    void readingTaken(const HistoryReading& reading);

private:
    // What decides what is being followed; any change starts monitoring afresh.
    struct Configuration {
        bool routerMode = true;
        bool routerConnected = false;
        QString routerIP;
        QString macA;
        QString macB;

        bool isRouterConfigured() const { return !routerIP.isEmpty() && routerConnected; }
        bool operator==(const Configuration&) const = default;
    };

    Configuration readConfiguration() const;
    // The one way back to a clean slate: no flash, no sound, no alert items, no
    // router-down state, no request whose answer would still be taken.
    void resetMonitoring();
    void p2pTick();
    void clearP2PDisplay();
    HistoryReading p2pHistoryReading(int rssi, int rateMbps, SignalState state) const;
    void routerTick(const Configuration& configuration);
    void fetch(TargetSlot slot, const QString& mac);
    void receive(TargetSlot slot, int generation, int request, const std::optional<RouterClient>& row,
                 const QString& mac);
    void forgetRequests();
    void handleHealthResult(bool reachable);
    void handleDisconnect();
    void startOfflineFlash(TargetMonitor& target);

    bool watchesRouterHealth() const;
    bool isSlotBConfigured() const;
    void showIdle();
    void setStatusTitle(const QString& text, const RgbColour& foreground,
                        const std::optional<RgbColour>& background, const QString& toolTip);
    void showP2PReading(int rssi, bool flashPhase);
    TitleRun targetSegment(const TargetMonitor& target) const;
    QString targetToolTip(const TargetMonitor& target) const;
    void setFloatingSingle(const RgbColour& colour);
    RgbColour idleFloatingColour();

    MonitorContext context;
    AlertManager alerts;
    TargetMonitor targetA;
    TargetMonitor targetB;
    NetworkChangeWatcher networkChanges;

    QTimer pollTimer;
    QTimer routerHealthTimer;
    QTimer p2pFlashTimer;
    QTimer idleFlashTimer;
    // A router that never answers must not hold a slot's last reading on screen.
    std::array<QTimer, 2> fetchDeadlines;

    bool p2pFlashState = false;
    std::optional<SignalState> p2pFloatingWindowState;
    int p2pLastTxRateMbps = 0;
    SignalState p2pCurrentState = SignalState::excellent;
    // A link read since P2P monitoring started: from then on its loss is recorded.
    bool p2pLinkSeen = false;
    bool idleFlashState = true;
    // The computer's own link as this poll read it: a wedged driver may take a
    // second to answer, so title, band and floating window share one reading.
    std::optional<LocalLinkReading> localLink;
    // Whether the route to the router leaves through Wi-Fi; asked again only
    // after a network change.
    std::optional<bool> routerGatewayOnWiFi;
    // What the last poll followed; none before the first poll after a start.
    std::optional<Configuration> polledConfiguration;
    bool routerDown = false;
    int routerDownCount = 0;

    // Shared with the completions, which compare it on whatever thread they run
    // on and may outlive the monitor.
    const std::shared_ptr<std::atomic<int>> callbackGeneration = std::make_shared<std::atomic<int>>(0);
    // A slot with a fetch of the current generation still waiting gets no second
    // one: a stalled router would otherwise pile up a request every second.
    std::array<bool, 2> fetchInFlight{};
    // Numbers each slot's requests, so that an answer that missed its deadline is
    // not taken for the next one's.
    std::array<int, 2> requestSerial{};
};

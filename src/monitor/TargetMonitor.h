#pragma once

#include "logs/HistoryReading.h"
#include "monitor/RgbColour.h"
#include "monitor/SignalState.h"
#include "monitor/TargetSlot.h"
#include "router/RouterClient.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <optional>

struct MonitorContext;
class WiFiMonitor;

// Follows one target slot in router mode: turns the router's row (or its absence)
// into the slot's signal state, keeps what the title, menu and floating window
// show for it, writes its log lines, drives its flash and, with the developer
// setting on, measures its throughput. Main thread only.
class TargetMonitor : public QObject {
    Q_OBJECT
public:
    // `monitor` owns this target monitor and outlives it.
    TargetMonitor(TargetSlot slot, WiFiMonitor& monitor, const MonitorContext& context);

    // One poll's answer: the router's row, or none when it did not list the target.
    // A row whose radio could not be read leaves the state alone and alarms nobody.
    void update(const std::optional<RouterClient>& row, const QString& askedMAC);
    void reset();
    void resetBandwidthStats();
    // The flash timer's body: toggles the phase and repaints title and window.
    void flashStep();
    // The router stopped answering: the slot's reading is meaningless, and the
    // slot flashes red until the router recovers.
    void startOfflineFlash();
    void stopFlashing();

    TargetSlot slot() const { return targetSlot; }
    SignalState currentState() const { return state; }
    // The last row came without radio figures because the router's ssh is not
    // answering: there is no reading to show, whatever the state.
    bool radioTransportDown() const { return radioDown; }
    QString lastKnownBand() const { return band; }
    int lastRouterRSSI() const { return rssi; }
    int lastRouterPercent() const { return percent; }
    int lastTxRateMbps() const { return txRateMbps; }
    bool flashState() const { return flashOn; }
    // The name the menu shows for the target; kept while the router does not list it.
    QString deviceName() const { return name; }
    // The flash timer's interval while it runs; none while the slot is steady.
    std::optional<std::chrono::milliseconds> flashInterval() const;

    // The MAC last requested for this slot; a change starts a new session.
    QString lastKnownTargetMAC() const { return targetMAC; }
    // The address the router last gave the target; empty before its first row.
    QString lastKnownTargetIP() const { return targetIP; }
    void followTarget(const QString& mac);
    // Forgets the address and host name of the last row, which belong to the
    // target and not to the slot.
    void forgetTargetDetails();

Q_SIGNALS:
    // The slot's state changed by a reading (not by a reset).
    void stateEntered(SignalState state);
    // Every poll's measured reading, for the signal history; none while the
    // router's radio figures cannot be read.
    void readingTaken(const HistoryReading& reading);

private:
    struct BandwidthStats {
        std::uint64_t prevTxBytes = 0;
        std::uint64_t prevRxBytes = 0;
        bool hasPrevBytes = false;
        std::optional<QDateTime> prevSampleTime;
        double currentThroughputMBps = 0.0;
        double peakThroughputMBps = 0.0;
        int bandwidthSampleCount = 0;
        double bandwidthSampleSum = 0.0;
        int activeSampleCount = 0;
        double activeSampleSum = 0.0;
        int bandwidthPollCount = 0;
        bool isBurstActive = false;
    };

    // Classifies the reading; `listed` is false for the stand-in of an absent target.
    HistoryReading historyReading(const RouterClient& row, bool listed) const;
    void classify(const RouterClient& row, bool listed, const QString& askedMAC, const QString& prefix);
    void noteAccessPoint(const RouterClient& row);
    void logSessionStart(SignalState newState, const RouterClient& row, const QString& askedMAC,
                         const QString& prefix);
    void enterState(SignalState newState, const QString& prefix);
    void sampleThroughput(const RouterClient& row, const QString& prefix);
    void takeSample(std::uint64_t total, const QString& prefix);
    void showSteadily(SignalState steadyState, const RgbColour& colour);
    void startFlashing(std::chrono::milliseconds interval, const RgbColour& colour);

    const TargetSlot targetSlot;
    WiFiMonitor& monitor;
    const MonitorContext& context;

    SignalState state = SignalState::excellent;
    bool radioDown = false;
    QString band;
    // The last access point the router named for the target.
    QString accessPoint;
    int rssi = 0;
    int percent = 0;
    int txRateMbps = 0;
    bool hasLoggedSessionStart = false;
    bool hasLoggedBandWarning = false;
    bool hasLoggedBandwidthDiag = false;
    QString targetMAC;
    QString targetIP;
    QString hostname;
    QString name;
    QTimer flashTimer;
    bool flashOn = false;
    // The colour of the bright flash phase.
    RgbColour flashColour;
    std::optional<SignalState> floatingWindowCurrentState;
    BandwidthStats bandwidth;
};

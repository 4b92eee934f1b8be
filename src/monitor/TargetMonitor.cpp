#include "monitor/TargetMonitor.h"

#include "display/MenuPresenter.h"
#include "logs/EventLogger.h"
#include "logs/SessionLog.h"
#include "monitor/AlertManager.h"
#include "monitor/MonitorContext.h"
#include "monitor/SignalModel.h"
#include "monitor/WiFiMonitor.h"
#include "platform/Clock.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <algorithm>
#include <utility>

using namespace std::chrono_literals;

namespace {

constexpr double minimumSampleSeconds = 0.1;
constexpr double bytesPerMegabyte = 1e6;
constexpr double implausibleMBps = 500.0;
constexpr double burstThresholdMBps = 0.5;
constexpr int pollsPerThroughputLine = 3;
constexpr auto offlineFlashHalfPeriod = 250ms;

const QString separator = QStringLiteral(" · ");

// What stands in for a target the router does not list. It keeps the host name,
// so that the target's name does not change while it is away.
RouterClient absentRow(const QString& askedMAC, const QString& lastKnownIP,
                       const QString& lastKnownHostname) {
    RouterClient row;
    row.mac = askedMAC;
    row.ip = lastKnownIP;
    row.hostname = lastKnownHostname;
    row.iface = QStringLiteral("wlan");
    row.rssi = noSignalRSSI;
    return row;
}

} // namespace

TargetMonitor::TargetMonitor(TargetSlot slot, WiFiMonitor& monitor, const MonitorContext& context)
    : targetSlot(slot)
    , monitor(monitor)
    , context(context) {
    // The timer belongs to this object, so no flash step outlives the target.
    connect(&flashTimer, &QTimer::timeout, this, &TargetMonitor::flashStep);
}

void TargetMonitor::update(const std::optional<RouterClient>& answer, const QString& askedMAC) {
    const RouterClient row = answer ? *answer : absentRow(askedMAC, targetIP, hostname);
    const QString prefix = slotDisplayPrefix(targetSlot, context.settings);

    rssi = normalizeRSSI(row.rssi);
    txRateMbps = truncatedRateMbps(row.txRate);
    percent = signalPercent(rssi, txRateMbps);
    targetIP = row.ip;
    if (!row.hostname.isEmpty())
        hostname = row.hostname;
    name = displayName(row, context.settings);

    // A link that could not be measured keeps its state: no session starts and
    // no transition is written until it can be, and nothing alarms meanwhile.
    radioDown = row.radioTransportDown;
    if (!radioDown)
        classify(row, answer.has_value(), askedMAC, prefix);

    // Shown and alarmed by as no link at all while unmeasured: grey and silent.
    const SignalState shownState = radioDown ? SignalState::offline : state;
    monitor.alertManager().setState(targetSlot, shownState);
    monitor.alertManager().evaluate();
    monitor.updateAlertMenuItems();

    sampleThroughput(row, prefix);
    context.menu.updateTarget(row, rssi, percent, state, targetSlot);
    if (!radioDown)
        Q_EMIT readingTaken(historyReading(row, answer.has_value()));

    if (shownState == SignalState::offline || shownState == SignalState::excellent)
        showSteadily(shownState, stateColour(shownState));
}

HistoryReading TargetMonitor::historyReading(const RouterClient& row, bool listed) const {
    HistoryReading reading;
    reading.timeMs = context.clock.now().toMSecsSinceEpoch();
    reading.slot = targetSlot;
    reading.mac = targetMAC.isEmpty() ? row.mac : targetMAC;
    reading.name = name;
    // An absent target has no signal to chart, only its absence.
    reading.rssi = listed ? rssi : 0;
    reading.rateMbps = listed ? txRateMbps : 0;
    reading.state = state;
    reading.band = band.isEmpty() ? QString() : bandInWords(band);
    reading.accessPoint = row.accessPoint;
    reading.throughputMBps = bandwidth.currentThroughputMBps;
    reading.listed = listed;
    reading.lowestRssi = reading.rssi;
    reading.highestRssi = reading.rssi;
    return reading;
}

void TargetMonitor::classify(const RouterClient& row, bool listed, const QString& askedMAC,
                             const QString& prefix) {
    SignalState newState = classifySignal(rssi, txRateMbps).state;
    if (!listed) {
        // A critical target that vanishes keeps alarming; any other goes offline.
        if (state != SignalState::critical)
            newState = SignalState::offline;
    } else {
        const bool twoFour = isTwoPointFourBand(row.iface);
        const bool isCamera = context.vendorForMAC(row.mac).has_value();
        // The second-generation tethering protocol cannot keep up on 2.4 GHz,
        // whatever the signal strength.
        if (isCamera && twoFour)
            newState = SignalState::critical;
        if (!row.iface.isEmpty() && row.iface != QStringLiteral("wlan") && row.iface != band) {
            band = row.iface;
            if (isCamera && twoFour && !hasLoggedBandWarning) {
                hasLoggedBandWarning = true;
                context.sessionLog.logBandNotice(QStringLiteral("2.4 GHz"), targetIP);
                context.logger.logInfo(VtCode::stateTransition,
                                       prefix +
                                           QStringLiteral("2.4 GHz band — critical: limited throughput"));
            }
        }
        noteAccessPoint(row);
    }

    if (!hasLoggedSessionStart)
        logSessionStart(newState, row, askedMAC, prefix);
    if (newState != state)
        enterState(newState, prefix);
    // Also after the router recovered, which stops every flash while the states
    // stay: an alerting slot always flashes.
    if (const auto halfPeriod = stateFlashHalfPeriod(state); halfPeriod && !flashTimer.isActive()) {
        floatingWindowCurrentState.reset();
        startFlashing(*halfPeriod, stateFlashColour(state).value_or(stateColour(state)));
    }
}

// A roam is news once; the first access point seen is where the session began.
void TargetMonitor::noteAccessPoint(const RouterClient& row) {
    if (row.accessPoint.isEmpty() || row.accessPoint == accessPoint)
        return;
    if (!std::exchange(accessPoint, row.accessPoint).isEmpty()) {
        const QString who = isSlotConfigured(TargetSlot::b, context.settings)
                                ? slotLabel(targetSlot, context.settings) + separator + name
                                : name;
        const bool bandKnown = !row.iface.isEmpty() && row.iface != QLatin1String("wlan");
        context.sessionLog.logAccessPointMove(who, accessPoint,
                                              bandKnown ? bandInWords(row.iface) : QString());
    }
}

void TargetMonitor::logSessionStart(SignalState newState, const RouterClient& row, const QString& askedMAC,
                                    const QString& prefix) {
    hasLoggedSessionStart = true;
    const bool twoTargets = isSlotConfigured(TargetSlot::b, context.settings);
    const QString name = slotName(targetSlot, context.settings);
    QString startedDetail;
    if (twoTargets)
        startedDetail = name.isEmpty() ? slotLabel(targetSlot, context.settings) : name;
    context.logger.logInfo(VtCode::monitorStarted, startedDetail);

    QString place = row.ip.isEmpty() ? askedMAC : row.ip;
    if (!name.isEmpty())
        place = name + separator + place;
    const bool offline = newState == SignalState::offline;
    context.sessionLog.lastStateByPrefix().insert(prefix, stateName(newState));
    context.sessionLog.append({LogEntry::timestampFrom(context.clock.now()), stateName(newState),
                               offline ? std::nullopt : std::optional(rssi),
                               offline ? std::nullopt : std::optional(percent),
                               prefix + QStringLiteral("Monitoring started") + separator + place});
}

void TargetMonitor::enterState(SignalState newState, const QString& prefix) {
    state = newState;
    context.logger.logInfo(VtCode::stateTransition, prefix + stateName(state));

    QHash<QString, QString>& lastStates = context.sessionLog.lastStateByPrefix();
    if (lastStates.value(prefix) != stateName(state)) {
        lastStates.insert(prefix, stateName(state));
        const bool offline = state == SignalState::offline;
        QString message = prefix + stateMessage(state);
        if (!targetIP.isEmpty())
            message += separator + targetIP;
        context.sessionLog.append({LogEntry::timestampFrom(context.clock.now()), stateName(state),
                                   offline ? std::nullopt : std::optional(rssi),
                                   offline ? std::nullopt : std::optional(percent), message});
    }

    stopFlashing();
    Q_EMIT stateEntered(state);
}

void TargetMonitor::showSteadily(SignalState steadyState, const RgbColour& colour) {
    stopFlashing();
    monitor.refreshRouterTitle();
    if (floatingWindowCurrentState != steadyState) {
        floatingWindowCurrentState = steadyState;
        monitor.setFloatingTarget(*this, colour);
    }
}

void TargetMonitor::flashStep() {
    flashOn = !flashOn;
    monitor.refreshRouterTitle();
    monitor.setFloatingTarget(*this, flashOn ? flashColour : Colour::black);
}

void TargetMonitor::startOfflineFlash() {
    rssi = 0;
    percent = 0;
    txRateMbps = 0;
    stopFlashing();
    floatingWindowCurrentState.reset();
    startFlashing(offlineFlashHalfPeriod, Colour::systemRed);
}

void TargetMonitor::startFlashing(std::chrono::milliseconds interval, const RgbColour& colour) {
    flashColour = colour;
    flashTimer.start(interval);
}

void TargetMonitor::stopFlashing() {
    flashTimer.stop();
}

std::optional<std::chrono::milliseconds> TargetMonitor::flashInterval() const {
    if (!flashTimer.isActive())
        return std::nullopt;
    return flashTimer.intervalAsDuration();
}

void TargetMonitor::followTarget(const QString& mac) {
    if (mac != targetMAC)
        forgetTargetDetails();
    targetMAC = mac;
    hasLoggedSessionStart = false;
    resetBandwidthStats();
}

void TargetMonitor::forgetTargetDetails() {
    targetIP.clear();
    hostname.clear();
    name.clear();
    accessPoint.clear();
}

void TargetMonitor::reset() {
    state = SignalState::excellent;
    radioDown = false;
    rssi = 0;
    percent = 0;
    txRateMbps = 0;
    hasLoggedSessionStart = false;
    hasLoggedBandWarning = false;
    band.clear();
    accessPoint.clear();
    resetBandwidthStats();
    floatingWindowCurrentState.reset();
    stopFlashing();
    flashOn = false;
}

void TargetMonitor::resetBandwidthStats() {
    bandwidth = {};
}

void TargetMonitor::sampleThroughput(const RouterClient& row, const QString& prefix) {
    const auto hideThroughput = [this] {
        context.menu.updateThroughput(std::nullopt, std::nullopt, std::nullopt, targetSlot);
    };
    if (!context.settings.readBool(SettingsKey::showDev)) {
        hideThroughput();
        return;
    }

    const std::uint64_t total = row.txBytes + row.rxBytes;
    const QString tx = QString::number(row.txBytes);
    const QString rx = QString::number(row.rxBytes);
    if (!hasLoggedBandwidthDiag) {
        hasLoggedBandwidthDiag = true;
        context.logger.logDebug(VtCode::bandwidthSample,
                                prefix + QStringLiteral("bytes check: tx=") + tx + QStringLiteral(" rx=") +
                                    rx + QStringLiteral(" total=") + QString::number(total));
    }
    context.logger.logDebug(VtCode::bandwidthRawPoll,
                            prefix + QStringLiteral("raw: rssi=") + QString::number(rssi) +
                                QStringLiteral(" dBm, txBytes=") + tx + QStringLiteral(", rxBytes=") + rx);
    if (row.linkDetail)
        context.logger.logDebug(VtCode::bandwidthLinkDetail,
                                prefix + QStringLiteral("link: ") + linkDetailText(*row.linkDetail));

    // Routers without counters, and absent rows, leave the statistics untouched.
    if (total == 0) {
        hideThroughput();
        return;
    }

    takeSample(total, prefix);
    bandwidth.prevTxBytes = row.txBytes;
    bandwidth.prevRxBytes = row.rxBytes;
    bandwidth.hasPrevBytes = true;
    bandwidth.prevSampleTime = context.clock.now();

    // Idle periods would dilute the average, so it counts active samples only.
    const double average =
        bandwidth.activeSampleCount > 0 ? bandwidth.activeSampleSum / bandwidth.activeSampleCount : 0.0;
    context.menu.updateThroughput(bandwidth.currentThroughputMBps, bandwidth.peakThroughputMBps, average,
                                  targetSlot);

    if (++bandwidth.bandwidthPollCount >= pollsPerThroughputLine) {
        bandwidth.bandwidthPollCount = 0;
        context.logger.logDebug(
            VtCode::bandwidthSample,
            prefix + QString::asprintf("%.1f MB/s cur, %.1f peak, %.1f avg (%d active samples), "
                                       "%d dBm",
                                       bandwidth.currentThroughputMBps, bandwidth.peakThroughputMBps, average,
                                       bandwidth.activeSampleCount, rssi));
    }
}

void TargetMonitor::takeSample(std::uint64_t total, const QString& prefix) {
    if (!bandwidth.hasPrevBytes || !bandwidth.prevSampleTime)
        return;
    const std::uint64_t prevTotal = bandwidth.prevTxBytes + bandwidth.prevRxBytes;
    // Counters that went backwards mean a router or station restart: no sample.
    if (total < prevTotal)
        return;
    const double elapsed = bandwidth.prevSampleTime->msecsTo(context.clock.now()) / 1000.0;
    if (elapsed <= minimumSampleSeconds)
        return;
    const double rate = static_cast<double>(total - prevTotal) / bytesPerMegabyte / elapsed;
    if (rate >= implausibleMBps)
        return;

    bandwidth.currentThroughputMBps = rate;
    bandwidth.peakThroughputMBps = std::max(bandwidth.peakThroughputMBps, rate);
    ++bandwidth.bandwidthSampleCount;
    bandwidth.bandwidthSampleSum += rate;
    const QString dBm = QString::number(rssi) + QStringLiteral(" dBm");
    if (rate > burstThresholdMBps) {
        ++bandwidth.activeSampleCount;
        bandwidth.activeSampleSum += rate;
        if (!bandwidth.isBurstActive) {
            bandwidth.isBurstActive = true;
            context.logger.logInfo(VtCode::bandwidthBurst, prefix + QStringLiteral("burst start, ") + dBm);
        }
    } else if (bandwidth.isBurstActive) {
        bandwidth.isBurstActive = false;
        context.logger.logInfo(VtCode::bandwidthBurst, prefix + QStringLiteral("burst end, ") + dBm);
    }
}

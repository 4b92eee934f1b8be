#include "monitor/WiFiMonitor.h"

#include "display/FloatingSignalState.h"
#include "display/MenuPresenter.h"
#include "display/StatusItem.h"
#include "logs/EventLogger.h"
#include "logs/SessionLog.h"
#include "monitor/SignalModel.h"
#include "platform/Clock.h"
#include "platform/NetworkEventSource.h"
#include "platform/WirelessLink.h"
#include "router/RouterService.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QPointer>

using namespace std::chrono_literals;

namespace {

constexpr auto pollInterval = 1000ms;
constexpr auto healthInterval = 8000ms;
constexpr auto idleBlinkInterval = 1000ms;
// Ten polls: a router that has not answered by then is not going to in time to matter.
constexpr auto fetchDeadline = 10000ms;
// One failed probe may be a lost packet; two in a row mean the router is gone.
constexpr int failedProbesForUnreachable = 2;

const QString routerMode = QStringLiteral("router");
const QString noReading = QStringLiteral(" -- ");
const QString separator = QStringLiteral(" \u00b7 ");
const QString idleToolTip = QStringLiteral("Veltrano \u00b7 No target configured");

std::size_t slotIndex(TargetSlot slot) {
    return slot == TargetSlot::a ? 0 : 1;
}

// Before the first answer, and after the router stopped answering, a target
// has no reading; nor has one the router lists without a signal.
bool hasReading(int rssi) {
    return rssi < 0 && rssi != noSignalRSSI;
}

QString readingInWords(SignalState state, int rssi, const QString& band) {
    QStringList parts{stateName(state)};
    if (state != SignalState::offline && hasReading(rssi))
        parts.append(QString::number(rssi) + QStringLiteral(" dBm"));
    if (!band.isEmpty() && band != QLatin1String("wlan"))
        parts.append(bandInWords(band));
    return parts.join(separator);
}

// Router and probe completions arrive on any thread; everything they carry is
// handed to the main thread, where the monitor may be gone by then.
template <typename Function> void onMainThread(Function&& function) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<Function>(function),
                              Qt::QueuedConnection);
}

} // namespace

WiFiMonitor::WiFiMonitor(MonitorContext dependencies, QObject* parent)
    : QObject(parent)
    , context(std::move(dependencies))
    , alerts(context.settings, context.soundPlayer, context.clock)
    , targetA(TargetSlot::a, *this, context)
    , targetB(TargetSlot::b, *this, context)
    , networkChanges(context.settings, context.router, context.networkEvents) {
    pollTimer.setInterval(pollInterval);
    routerHealthTimer.setInterval(healthInterval);
    idleFlashTimer.setInterval(idleBlinkInterval);
    // The timers are members, so none of their ticks outlives the monitor.
    connect(&pollTimer, &QTimer::timeout, this, &WiFiMonitor::pollTick);
    connect(&routerHealthTimer, &QTimer::timeout, this, &WiFiMonitor::healthTick);
    connect(&p2pFlashTimer, &QTimer::timeout, this, &WiFiMonitor::p2pFlashTick);
    connect(&idleFlashTimer, &QTimer::timeout, this, &WiFiMonitor::idleFlashTick);
    for (TargetSlot slot : {TargetSlot::a, TargetSlot::b}) {
        QTimer& deadline = fetchDeadlines[slotIndex(slot)];
        deadline.setSingleShot(true);
        deadline.setInterval(fetchDeadline);
        connect(&deadline, &QTimer::timeout, this, [this, slot] { fetchTimedOut(slot); });
    }
    connect(&context.networkEvents, &NetworkEventSource::networkChanged, this,
            [this] { routerGatewayOnWiFi.reset(); });
    connect(&targetA, &TargetMonitor::readingTaken, this, &WiFiMonitor::readingTaken);
    connect(&targetB, &TargetMonitor::readingTaken, this, &WiFiMonitor::readingTaken);
    NotificationCenter::shared().observe(NotificationName::veltranoDisconnect, this,
                                         [this](std::optional<bool>) { handleDisconnect(); });
}

void WiFiMonitor::start() {
    if (pollTimer.isActive())
        return;
    pollTimer.start();
    routerHealthTimer.start();
    networkChanges.start();
    pollTick();
}

void WiFiMonitor::stop() {
    pollTimer.stop();
    idleFlashTimer.stop();
    routerHealthTimer.stop();
    networkChanges.stop();
    resetMonitoring();
    polledConfiguration.reset();
}

std::optional<std::chrono::milliseconds> WiFiMonitor::p2pFlashInterval() const {
    if (!p2pFlashTimer.isActive())
        return std::nullopt;
    return p2pFlashTimer.intervalAsDuration();
}

std::optional<bool> WiFiMonitor::idleBlinkPhase() const {
    if (!idleFlashTimer.isActive())
        return std::nullopt;
    return idleFlashState;
}

WiFiMonitor::Configuration WiFiMonitor::readConfiguration() const {
    const SettingsStore& settings = context.settings;
    return {settings.readString(SettingsKey::monitoringMode).value_or(routerMode) == routerMode,
            settings.readBool(SettingsKey::routerConnected),
            settings.readString(SettingsKey::routerIP).value_or(QString()), slotMAC(TargetSlot::a, settings),
            slotMAC(TargetSlot::b, settings)};
}

bool WiFiMonitor::isSlotBConfigured() const {
    return isSlotConfigured(TargetSlot::b, context.settings);
}

void WiFiMonitor::pollTick() {
    // Read at every tick, so a change made anywhere (the settings window,
    // veltrano-cli) takes effect within a second.
    const Configuration configuration = readConfiguration();
    if (polledConfiguration && *polledConfiguration != configuration)
        resetMonitoring();
    polledConfiguration = configuration;

    const bool idle =
        configuration.routerMode && (!configuration.isRouterConfigured() || configuration.macA.isEmpty());
    if (!configuration.routerMode || idle)
        localLink = context.link.currentLink();

    if (!configuration.routerMode) {
        p2pTick();
    } else if (configuration.isRouterConfigured()) {
        routerTick(configuration);
    } else {
        showIdle();
        context.menu.showIdleItems();
        setFloatingSingle(idleFloatingColour());
    }
}

void WiFiMonitor::resetMonitoring() {
    forgetRequests();
    routerDown = false;
    routerDownCount = 0;
    routerGatewayOnWiFi.reset();
    p2pFlashTimer.stop();
    p2pFloatingWindowState.reset();
    p2pCurrentState = SignalState::excellent;
    p2pLinkSeen = false;
    targetA.reset();
    targetB.reset();
    alerts.clear();
    updateAlertMenuItems();
    context.menu.configureSections(false, slotLabel(TargetSlot::a, context.settings),
                                   slotLabel(TargetSlot::b, context.settings));
    setFloatingSingle(Colour::systemGrey);
}

void WiFiMonitor::forgetRequests() {
    callbackGeneration->fetch_add(1);
    // Requests to what was followed before are not waited for: their answers are
    // discarded, and the new configuration may ask at once.
    fetchInFlight = {};
    for (QTimer& deadline : fetchDeadlines)
        deadline.stop();
}

// --- P2P mode: the computer's own link ---

void WiFiMonitor::p2pTick() {
    idleFlashTimer.stop();
    if (!localLink || localLink->rssi == 0) {
        // The camera's own network is gone: a drop in the history, once the
        // link was seen at all.
        if (p2pLinkSeen)
            Q_EMIT readingTaken(p2pHistoryReading(0, 0, SignalState::offline));
        clearP2PDisplay();
        return;
    }

    p2pLastTxRateMbps = truncatedRateMbps(localLink->transmitRate);
    const int rssi = normalizeRSSI(localLink->rssi);
    const int percent = signalPercent(rssi, p2pLastTxRateMbps);
    const SignalState state = classifySignal(rssi, p2pLastTxRateMbps).state;

    if (state != p2pCurrentState) {
        p2pCurrentState = state;
        QHash<QString, QString>& lastStates = context.sessionLog.lastStateByPrefix();
        if (lastStates.value(QString()) != stateName(state)) {
            lastStates.insert(QString(), stateName(state));
            context.sessionLog.append({LogEntry::timestampFrom(context.clock.now()), stateName(state), rssi,
                                       percent, stateMessage(state)});
        }
        p2pFlashTimer.stop();
    }
    // Also after the link was lost and came back in the same alerting state: an
    // alerting link always flashes.
    if (const auto halfPeriod = stateFlashHalfPeriod(state); halfPeriod && !p2pFlashTimer.isActive()) {
        p2pFloatingWindowState.reset();
        p2pFlashTimer.start(*halfPeriod);
    }

    alerts.setState(TargetSlot::a, state);
    alerts.evaluate();
    updateAlertMenuItems();
    context.menu.updateP2P(*localLink, rssi, percent, state);
    p2pLinkSeen = true;
    Q_EMIT readingTaken(p2pHistoryReading(rssi, p2pLastTxRateMbps, state));

    if (state == SignalState::excellent) {
        p2pFlashTimer.stop();
        showP2PReading(rssi, false);
        if (p2pFloatingWindowState != SignalState::excellent) {
            p2pFloatingWindowState = SignalState::excellent;
            setFloatingSingle(Colour::excellentTeal);
        }
    }
}

// In P2P mode the computer's link is the camera's: slot A, named by the
// network the computer is on, which is the camera's own.
HistoryReading WiFiMonitor::p2pHistoryReading(int rssi, int rateMbps, SignalState state) const {
    HistoryReading reading;
    reading.timeMs = context.clock.now().toMSecsSinceEpoch();
    reading.slot = TargetSlot::a;
    reading.name = localLink && localLink->ssid ? *localLink->ssid : QString();
    reading.rssi = rssi;
    reading.rateMbps = rateMbps;
    reading.state = state;
    reading.listed = rssi != 0;
    reading.lowestRssi = rssi;
    reading.highestRssi = rssi;
    if (localLink && localLink->channelBand)
        reading.band = bandInWords(localBandLabel(localLink->channelBand));
    return reading;
}

void WiFiMonitor::clearP2PDisplay() {
    p2pFlashTimer.stop();
    p2pFloatingWindowState.reset();
    alerts.clear();
    updateAlertMenuItems();
    // Grey like an offline target: the excellent colour would promise a link.
    setFloatingSingle(Colour::systemGrey);
    const bool hasInterface = localLink.has_value();
    context.menu.showLocalLinkUnavailable(hasInterface);
    setStatusTitle(noReading, Colour::systemGrey, std::nullopt,
                   hasInterface ? QStringLiteral("Wi-Fi not connected")
                                : QStringLiteral("No Wi-Fi interface on this computer"));
}

void WiFiMonitor::p2pFlashTick() {
    p2pFlashState = !p2pFlashState;
    const int rssi = localLink ? normalizeRSSI(localLink->rssi) : noSignalRSSI;
    showP2PReading(rssi, p2pFlashState);
    const RgbColour flashColour = stateFlashColour(p2pCurrentState).value_or(stateColour(p2pCurrentState));
    setFloatingSingle(p2pFlashState ? flashColour : Colour::black);
}

void WiFiMonitor::showP2PReading(int rssi, bool flashPhase) {
    const QString band = localBandLabel(localLink ? localLink->channelBand : std::nullopt);
    const QString text = statusTitleText(rssi, band, context.settings);
    QStringList toolTip{localLink && localLink->ssid ? *localLink->ssid : QStringLiteral("Wi-Fi"),
                        stateName(p2pCurrentState), QString::number(rssi) + QStringLiteral(" dBm")};
    if (localLink && localLink->channelBand)
        toolTip.append(bandInWords(band));
    const RgbColour colour = stateColour(p2pCurrentState);
    if (flashPhase)
        setStatusTitle(text, Colour::black, stateFlashColour(p2pCurrentState).value_or(colour),
                       toolTip.join(separator));
    else
        setStatusTitle(text, colour, std::nullopt, toolTip.join(separator));
}

// --- Router mode: the targets through the router ---

void WiFiMonitor::routerTick(const Configuration& configuration) {
    // While the router is down no request is sent; the offline flash paints the
    // title and the floating window, and the menu says the router is unreachable.
    if (routerDown)
        return;

    const QString labelA = slotLabel(TargetSlot::a, context.settings);
    const QString labelB = slotLabel(TargetSlot::b, context.settings);
    if (configuration.macA.isEmpty()) {
        showIdle();
        context.menu.showIdleItems();
        context.menu.configureSections(false, labelA, labelB);
        setFloatingSingle(idleFloatingColour());
        return;
    }

    if (configuration.macA != targetA.lastKnownTargetMAC())
        targetA.followTarget(configuration.macA);
    const bool twoTargets = !configuration.macB.isEmpty();
    context.menu.configureSections(twoTargets, labelA, labelB);
    if (twoTargets) {
        context.floating.setLabelA(labelA);
        context.floating.setLabelB(labelB);
    }

    fetch(TargetSlot::a, configuration.macA);
    if (twoTargets) {
        if (configuration.macB != targetB.lastKnownTargetMAC())
            targetB.followTarget(configuration.macB);
        fetch(TargetSlot::b, configuration.macB);
    }
}

void WiFiMonitor::fetch(TargetSlot slot, const QString& mac) {
    const std::size_t index = slotIndex(slot);
    if (fetchInFlight[index])
        return;
    fetchInFlight[index] = true;
    fetchDeadlines[index].start();
    const int request = ++requestSerial[index];
    const int generation = callbackGeneration->load();
    context.router.fetchClient(mac, [self = QPointer(this), current = callbackGeneration, generation, slot,
                                     request, mac](std::optional<RouterClient> row) mutable {
        // Rows for a connection dropped since the request was sent never reach
        // the targets.
        if (current->load() != generation)
            return;
        onMainThread([self, generation, slot, request, mac, row = std::move(row)] {
            if (self)
                self->receive(slot, generation, request, row, mac);
        });
    });
}

void WiFiMonitor::receive(TargetSlot slot, int generation, int request,
                          const std::optional<RouterClient>& row, const QString& mac) {
    const std::size_t index = slotIndex(slot);
    // A reset may have come between the check and the hand-over, or the
    // request may have missed its deadline: either already released the slot.
    if (generation != callbackGeneration->load() || request != requestSerial[index])
        return;
    fetchInFlight[index] = false;
    fetchDeadlines[index].stop();
    // An answer sent before the router was declared unreachable would end the
    // offline flash early.
    if (routerDown)
        return;
    if (slot == TargetSlot::a)
        idleFlashTimer.stop();
    target(slot).update(row, mac);
}

void WiFiMonitor::fetchTimedOut(TargetSlot slot) {
    const std::size_t index = slotIndex(slot);
    if (!fetchInFlight[index])
        return;
    fetchInFlight[index] = false;
    // Its answer, should it still come, is too late to be taken.
    ++requestSerial[index];
    if (routerDown)
        return;
    if (slot == TargetSlot::a)
        idleFlashTimer.stop();
    target(slot).update(std::nullopt, target(slot).lastKnownTargetMAC());
}

bool WiFiMonitor::watchesRouterHealth() const {
    const Configuration configuration = readConfiguration();
    return configuration.routerMode && configuration.isRouterConfigured();
}

void WiFiMonitor::healthTick() {
    if (!watchesRouterHealth())
        return;
    context.router.probeRouterHealth([self = QPointer(this), current = callbackGeneration,
                                      generation = callbackGeneration->load()](bool reachable) {
        onMainThread([self, current, generation, reachable] {
            // A probe still out when monitoring started afresh (a switch to P2P,
            // a disconnect) would declare a router down that is no longer followed.
            if (self && current->load() == generation && self->watchesRouterHealth())
                self->handleHealthResult(reachable);
        });
    });
}

void WiFiMonitor::handleHealthResult(bool reachable) {
    if (reachable) {
        routerDownCount = 0;
        if (!routerDown)
            return;
        routerDown = false;
        context.router.resetSession();
        context.logger.logInfo(VtCode::nodeRecovered, QString());
        context.sessionLog.logRouterRecovered();
        // Requests sent before the outage are stale; the next poll asks afresh.
        forgetRequests();
        alerts.clear();
        updateAlertMenuItems();
        targetA.stopFlashing();
        targetB.stopFlashing();
        refreshRouterTitle();
        NotificationCenter::shared().post(NotificationName::routerRecovered);
        return;
    }

    ++routerDownCount;
    if (routerDownCount < failedProbesForUnreachable || routerDown)
        return;
    routerDown = true;
    context.logger.logError(VtCode::nodeUnreachable, QString());
    context.sessionLog.logRouterUnreachable();
    alerts.escalateAll();
    updateAlertMenuItems();
    context.menu.showRouterUnreachable();
    idleFlashTimer.stop();
    startOfflineFlash(targetA);
    if (isSlotBConfigured())
        startOfflineFlash(targetB);
    refreshRouterTitle();
    NotificationCenter::shared().post(NotificationName::routerBecameUnreachable);
}

void WiFiMonitor::startOfflineFlash(TargetMonitor& target) {
    target.startOfflineFlash();
    setFloatingTarget(target, Colour::systemRed);
}

void WiFiMonitor::handleDisconnect() {
    resetMonitoring();
    context.menu.showIdleItems();
    showIdle();
    setFloatingSingle(idleFloatingColour());
}

// --- Alerts ---

void WiFiMonitor::snoozeAll(int minutes) {
    alerts.snooze(TargetSlot::a, minutes);
    if (isSlotBConfigured())
        alerts.snooze(TargetSlot::b, minutes);
    updateAlertMenuItems();
}

void WiFiMonitor::reEnableAlerts(TargetSlot slot) {
    context.logger.logInfo(VtCode::alertReEnabled, QString());
    alerts.reEnable(slot);
    updateAlertMenuItems();
}

void WiFiMonitor::resetAllBandwidthStats() {
    targetA.resetBandwidthStats();
    if (isSlotBConfigured())
        targetB.resetBandwidthStats();
}

void WiFiMonitor::updateAlertMenuItems() {
    const bool audioOn = context.settings.readBool(SettingsKey::audioEnabled);
    const auto update = [this, audioOn](TargetSlot slot) {
        AlertControls controls;
        controls.disabled = alerts.isDisabled(slot);
        const std::optional<SignalState> state = alerts.state(slot);
        controls.alerting = !controls.disabled && state && isAlertingState(*state);
        controls.snoozedUntil = alerts.snoozedUntil(slot);
        controls.audioOn = audioOn;
        context.menu.updateAlertItems(controls, slot);
    };
    update(TargetSlot::a);
    if (isSlotBConfigured())
        update(TargetSlot::b);
    context.menu.showSoundNotice(alerts.isSilentForLackOfOutput());
}

// --- Status title ---

void WiFiMonitor::setStatusTitle(const QString& text, const RgbColour& foreground,
                                 const std::optional<RgbColour>& background, const QString& toolTip) {
    context.statusItem.setTitle(StatusTitle{{TitleRun{text, foreground, background}}, toolTip});
}

TitleRun WiFiMonitor::targetSegment(const TargetMonitor& target) const {
    // While the router is unreachable the reading is meaningless: the segment
    // flashes red with the offline flash.
    if (routerDown) {
        if (target.flashState())
            return {noReading, Colour::black, Colour::systemRed};
        return {noReading, Colour::systemRed, std::nullopt};
    }
    const SignalState state = target.currentState();
    if (state == SignalState::offline || target.radioTransportDown())
        return {noReading, Colour::systemGrey, std::nullopt};
    // A target kept critical after the router stopped listing it has no reading
    // to show, only its colour.
    const QString text =
        hasReading(target.lastRouterRSSI())
            ? statusTitleText(target.lastRouterRSSI(), bandLabel(target.lastKnownBand()), context.settings)
            : noReading;
    if (isAlertingState(state) && target.flashState())
        return {text, Colour::black, stateColour(state)};
    return {text, stateColour(state), std::nullopt};
}

QString WiFiMonitor::targetToolTip(const TargetMonitor& target) const {
    QStringList parts{slotLabel(target.slot(), context.settings)};
    if (!target.deviceName().isEmpty())
        parts.append(target.deviceName());
    if (routerDown)
        parts.append(QStringLiteral("Router unreachable"));
    else if (target.radioTransportDown())
        parts.append(QStringLiteral("Router SSH not answering"));
    else
        parts.append(readingInWords(target.currentState(), target.lastRouterRSSI(), target.lastKnownBand()));
    return parts.join(separator);
}

void WiFiMonitor::refreshRouterTitle() {
    StatusTitle title{{targetSegment(targetA)}, targetToolTip(targetA)};
    if (isSlotBConfigured()) {
        title.runs.append({QStringLiteral("|"), Colour::secondaryLabel, std::nullopt});
        title.runs.append(targetSegment(targetB));
        title.toolTip += QLatin1Char('\n') + targetToolTip(targetB);
    }
    context.statusItem.setTitle(title);
}

StatusTitle WiFiMonitor::idleTitle(bool on) {
    const RgbColour bracket = on ? Colour::slotBMagenta : Colour::transparent;
    return StatusTitle{{
                           {QStringLiteral(">"), bracket, std::nullopt},
                           {QStringLiteral("Vt"), Colour::excellentTeal, std::nullopt},
                           {QStringLiteral("<"), bracket, std::nullopt},
                       },
                       idleToolTip};
}

void WiFiMonitor::showIdle() {
    if (idleFlashTimer.isActive())
        return;
    idleFlashState = true;
    context.statusItem.setTitle(idleTitle(true));
    idleFlashTimer.start();
}

void WiFiMonitor::idleFlashTick() {
    idleFlashState = !idleFlashState;
    context.statusItem.setTitle(idleTitle(idleFlashState));
}

// --- Floating window ---

void WiFiMonitor::setFloatingSingle(const RgbColour& colour) {
    context.floating.setColorA(colour);
    context.floating.setColorB(std::nullopt);
    context.floating.setLabelA(QString());
    context.floating.setLabelB(QString());
}

void WiFiMonitor::setFloatingTarget(const TargetMonitor& target, const RgbColour& colour) {
    if (!isSlotBConfigured()) {
        setFloatingSingle(colour);
        return;
    }
    if (target.slot() == TargetSlot::a)
        context.floating.setColorA(colour);
    else
        context.floating.setColorB(colour);
    context.floating.setLabelA(slotLabel(TargetSlot::a, context.settings));
    context.floating.setLabelB(slotLabel(TargetSlot::b, context.settings));
}

RgbColour WiFiMonitor::idleFloatingColour() {
    if (!localLink || !localLink->ssid || localLink->ssid->isEmpty())
        return Colour::excellentTeal;
    if (!routerGatewayOnWiFi)
        routerGatewayOnWiFi = context.router.isGatewayOnWiFi(
            context.settings.readString(SettingsKey::routerIP).value_or(QString()));
    if (!*routerGatewayOnWiFi)
        return Colour::excellentTeal;
    return classifySignal(normalizeRSSI(localLink->rssi), p2pLastTxRateMbps).colour;
}

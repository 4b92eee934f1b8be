#include "monitor/WiFiMonitor.h"

#include "app/NotificationCenter.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "display/FloatingSignalState.h"
#include "display/MenuPresenter.h"
#include "display/StatusItem.h"
#include "logs/EventLogger.h"
#include "logs/SessionLog.h"
#include "monitor/SignalModel.h"
#include "platform/Clock.h"
#include "platform/WirelessLink.h"
#include "router/RouterService.h"

#include <QCoreApplication>
#include <QPointer>

using namespace std::chrono_literals;

namespace {

constexpr auto pollInterval = 1000ms;
constexpr auto healthInterval = 8000ms;
constexpr auto idleBlinkInterval = 1000ms;
// One failed probe may be a lost packet; two in a row mean the router is gone.
constexpr int failedProbesForUnreachable = 2;

const QString routerMode = QStringLiteral("router");
const QString noReading = QStringLiteral(" -- ");

std::size_t slotIndex(TargetSlot slot) {
    return slot == TargetSlot::a ? 0 : 1;
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
    targetA.stopFlashing();
    targetB.stopFlashing();
    p2pFlashTimer.stop();
    idleFlashTimer.stop();
    routerHealthTimer.stop();
    networkChanges.stop();
    alerts.clear();
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

bool WiFiMonitor::isRouterConfigured() const {
    return !context.settings.readString(SettingsKey::routerIP).value_or(QString()).isEmpty() &&
           context.settings.readBool(SettingsKey::routerConnected);
}

bool WiFiMonitor::isSlotBConfigured() const {
    return isSlotConfigured(TargetSlot::b, context.settings);
}

void WiFiMonitor::pollTick() {
    // Read at every tick, so a mode switch takes effect within a second.
    const bool routerModeNow =
        context.settings.readString(SettingsKey::monitoringMode).value_or(routerMode) == routerMode;
    if (pollingRouterMode && *pollingRouterMode != routerModeNow)
        leaveMode();
    pollingRouterMode = routerModeNow;

    if (!routerModeNow) {
        p2pTick();
    } else if (isRouterConfigured()) {
        routerTick();
    } else {
        showIdle();
        context.menu.showIdleItems();
        setFloatingSingle(idleFloatingColour());
    }
}

void WiFiMonitor::leaveMode() {
    // The other mode's flash timers would keep painting over this mode's title,
    // and its slots would keep sounding.
    p2pFlashTimer.stop();
    p2pFloatingWindowState.reset();
    targetA.reset();
    targetB.reset();
    alerts.clear();
    updateAlertMenuItems();
}

// --- P2P mode: the computer's own link ---

void WiFiMonitor::p2pTick() {
    idleFlashTimer.stop();
    const std::optional<LocalLinkReading> link = context.link.currentLink();
    if (!link || link->rssi == 0) {
        clearP2PDisplay();
        setStatusTitle(noReading, Colour::systemGrey);
        return;
    }

    p2pLastTxRateMbps = static_cast<int>(link->transmitRate);
    const int rssi = normalizeRSSI(link->rssi);
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
    context.menu.updateP2P(*link, rssi, percent, state);

    if (state == SignalState::excellent) {
        p2pFlashTimer.stop();
        setStatusTitle(statusTitleText(rssi, QString(), context.settings, context.link),
                       Colour::excellentTeal);
        if (p2pFloatingWindowState != SignalState::excellent) {
            p2pFloatingWindowState = SignalState::excellent;
            setFloatingSingle(Colour::excellentTeal);
        }
    }
}

void WiFiMonitor::clearP2PDisplay() {
    p2pFlashTimer.stop();
    p2pFloatingWindowState.reset();
    alerts.clear();
    setFloatingSingle(idleFloatingColour());
}

void WiFiMonitor::p2pFlashTick() {
    p2pFlashState = !p2pFlashState;
    const RgbColour colour = stateColour(p2pCurrentState);
    const RgbColour flashColour = stateFlashColour(p2pCurrentState).value_or(colour);
    const std::optional<LocalLinkReading> link = context.link.currentLink();
    const int rssi = link ? normalizeRSSI(link->rssi) : noSignalRSSI;
    const QString text = statusTitleText(rssi, QString(), context.settings, context.link);
    if (p2pFlashState)
        setStatusTitle(text, Colour::black, flashColour);
    else
        setStatusTitle(text, colour);
    setFloatingSingle(p2pFlashState ? flashColour : Colour::black);
}

// --- Router mode: the targets through the router ---

void WiFiMonitor::routerTick() {
    if (routerDown) {
        setFloatingSingle(Colour::systemRed);
        return;
    }

    const QString labelA = slotLabel(TargetSlot::a, context.settings);
    const QString labelB = slotLabel(TargetSlot::b, context.settings);
    const QString macA = slotMAC(TargetSlot::a, context.settings);
    const QString macB = slotMAC(TargetSlot::b, context.settings);
    if (macB.isEmpty() && !targetB.lastKnownTargetMAC().isEmpty())
        stopFollowingSlotB();

    if (macA.isEmpty()) {
        if (!targetA.lastKnownTargetMAC().isEmpty()) {
            targetA.followTarget(QString());
            targetA.reset();
            targetA.clearLastKnownTargetIP();
            alerts.clear();
            updateAlertMenuItems();
        }
        showIdle();
        context.menu.showIdleItems();
        context.menu.configureSections(false, labelA, labelB);
        setFloatingSingle(idleFloatingColour());
        return;
    }

    if (macA != targetA.lastKnownTargetMAC())
        targetA.followTarget(macA);
    const bool twoTargets = !macB.isEmpty();
    context.menu.configureSections(twoTargets, labelA, labelB);
    if (twoTargets) {
        context.floating.setLabelA(labelA);
        context.floating.setLabelB(labelB);
    }

    fetch(TargetSlot::a, macA);
    if (twoTargets) {
        if (macB != targetB.lastKnownTargetMAC())
            targetB.followTarget(macB);
        fetch(TargetSlot::b, macB);
    }
}

void WiFiMonitor::stopFollowingSlotB() {
    // Left alone, a removed second target would keep flashing and keep its alarm
    // sounding, since nothing would ever write its state again.
    targetB.followTarget(QString());
    targetB.reset();
    targetB.clearLastKnownTargetIP();
    alerts.clear();
    context.menu.updateAlertItems(false, false, TargetSlot::b);
    updateAlertMenuItems();
}

void WiFiMonitor::fetch(TargetSlot slot, const QString& mac) {
    bool& inFlight = fetchInFlight[slotIndex(slot)];
    if (inFlight)
        return;
    inFlight = true;
    const int generation = callbackGeneration->load();
    context.router.fetchClient(mac, [self = QPointer(this), current = callbackGeneration, generation, slot,
                                     mac](std::optional<RouterClient> row) mutable {
        // Rows for a connection dropped since the request was sent never reach
        // the targets.
        if (current->load() != generation)
            return;
        onMainThread([self, generation, slot, mac, row = std::move(row)] {
            if (self)
                self->receive(slot, generation, row, mac);
        });
    });
}

void WiFiMonitor::receive(TargetSlot slot, int generation, const std::optional<RouterClient>& row,
                          const QString& mac) {
    // A disconnect may have come between the check and the hand-over; it already
    // released this slot for the new connection.
    if (generation != callbackGeneration->load())
        return;
    fetchInFlight[slotIndex(slot)] = false;
    // An answer sent before the router was declared unreachable would end the
    // offline flash early.
    if (routerDown)
        return;
    // The slot may have moved to another target, or to none, or the mode may
    // have changed while the router took its time: nothing would ever clear the
    // alarm and flash such an answer starts.
    if (!pollingRouterMode.value_or(false) || mac != target(slot).lastKnownTargetMAC())
        return;
    if (slot == TargetSlot::a)
        idleFlashTimer.stop();
    target(slot).update(row, mac);
}

bool WiFiMonitor::watchesRouterHealth() const {
    return context.settings.readString(SettingsKey::monitoringMode).value_or(routerMode) == routerMode &&
           isRouterConfigured();
}

void WiFiMonitor::healthTick() {
    if (!watchesRouterHealth())
        return;
    context.router.probeRouterHealth([self = QPointer(this)](bool reachable) {
        onMainThread([self, reachable] {
            // A probe still out when the user switched to P2P or disconnected
            // would otherwise declare a router down that is no longer followed.
            if (self && self->watchesRouterHealth())
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
        alerts.clear();
        targetA.stopFlashing();
        targetB.stopFlashing();
        NotificationCenter::shared().post(NotificationName::routerRecovered);
        return;
    }

    ++routerDownCount;
    if (routerDownCount < failedProbesForUnreachable || routerDown)
        return;
    routerDown = true;
    context.logger.logError(VtCode::nodeUnreachable, QString());
    alerts.escalateAll();
    updateAlertMenuItems();
    idleFlashTimer.stop();
    startOfflineFlash(targetA);
    if (isSlotBConfigured())
        startOfflineFlash(targetB);
    NotificationCenter::shared().post(NotificationName::routerBecameUnreachable);
}

void WiFiMonitor::startOfflineFlash(TargetMonitor& target) {
    target.startOfflineFlash();
    setFloatingTarget(target, Colour::systemRed);
}

void WiFiMonitor::handleDisconnect() {
    callbackGeneration->fetch_add(1);
    // Requests to the dropped connection are not waited for: their answers are
    // discarded, and the new connection may ask at once.
    fetchInFlight = {};
    routerDown = false;
    routerDownCount = 0;
    alerts.clear();
    targetA.reset();
    targetB.reset();
    context.menu.showIdleItems();
    updateAlertMenuItems();
    showIdle();
    setFloatingSingle(idleFloatingColour());
}

// --- Alerts ---

void WiFiMonitor::snoozeAll(int minutes) {
    alerts.snooze(TargetSlot::a, minutes);
    if (isSlotBConfigured())
        alerts.snooze(TargetSlot::b, minutes);
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
    const auto update = [this](TargetSlot slot) {
        const bool disabled = alerts.isDisabled(slot);
        const std::optional<SignalState> state = alerts.state(slot);
        context.menu.updateAlertItems(!disabled && state && isAlertingState(*state), disabled, slot);
    };
    update(TargetSlot::a);
    if (isSlotBConfigured())
        update(TargetSlot::b);
}

// --- Status title ---

void WiFiMonitor::setStatusTitle(const QString& text, const RgbColour& foreground,
                                 const std::optional<RgbColour>& background) {
    context.statusItem.setTitle(StatusTitle{{TitleRun{text, foreground, background}}});
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
    if (state == SignalState::offline)
        return {noReading, Colour::systemGrey, std::nullopt};
    const QString text =
        statusTitleText(target.lastRouterRSSI(), target.lastKnownBand(), context.settings, context.link);
    if (isAlertingState(state) && target.flashState())
        return {text, Colour::black, stateColour(state)};
    return {text, stateColour(state), std::nullopt};
}

void WiFiMonitor::refreshRouterTitle() {
    StatusTitle title{{targetSegment(targetA)}};
    if (isSlotBConfigured()) {
        title.runs.append({QStringLiteral("|"), Colour::secondaryLabel, std::nullopt});
        title.runs.append(targetSegment(targetB));
    }
    context.statusItem.setTitle(title);
}

StatusTitle WiFiMonitor::idleTitle(bool on) {
    const RgbColour bracket = on ? Colour::slotBMagenta : Colour::transparent;
    return StatusTitle{{
        {QStringLiteral(">"), bracket, std::nullopt},
        {QStringLiteral("Vt"), Colour::excellentTeal, std::nullopt},
        {QStringLiteral("<"), bracket, std::nullopt},
    }};
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

RgbColour WiFiMonitor::idleFloatingColour() const {
    const std::optional<LocalLinkReading> link = context.link.currentLink();
    if (link && link->ssid && !link->ssid->isEmpty() &&
        context.router.isGatewayOnWiFi(
            context.settings.readString(SettingsKey::routerIP).value_or(QString())))
        return classifySignal(normalizeRSSI(link->rssi), p2pLastTxRateMbps).colour;
    return Colour::excellentTeal;
}

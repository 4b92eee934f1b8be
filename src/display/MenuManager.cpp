#include "display/MenuManager.h"

#include "display/QtColour.h"
#include "monitor/SignalModel.h"
#include "router/CameraVendor.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <array>

namespace {

constexpr std::array snoozeMinutes{5, 10, 15};
const QString noValue = QStringLiteral("--");
const QString lastKnownMark = QStringLiteral(" (last known)");
const QString audioOffMark = QStringLiteral(" (audio is off)");

// A value may be a name from the router or the air, where a lone "&" would be
// taken for a shortcut mark and vanish.
void setLine(QAction* action, const QString& label, const QString& value) {
    action->setText(label + QStringLiteral(": ") + QString(value).replace(u'&', QStringLiteral("&&")));
}

QIcon lineIcon(const QPixmap& pixmap) {
    QIcon icon;
    // The lines are disabled items; a greyed dot would lose its colour.
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Disabled);
    return icon;
}

QIcon dotIcon(const RgbColour& colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 0, 90), 1));
    painter.setBrush(toQColor(colour));
    painter.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    painter.end();
    return lineIcon(pixmap);
}

// A null icon reaches the host as no icon at all, which hosts read as no change:
// they would go on drawing the old dot. A cleared dot is a transparent one.
QIcon noDotIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return lineIcon(pixmap);
}

// The host is sent the menu again on every icon change, so an unchanged colour
// leaves the icon alone, and a line that never had a dot keeps no icon.
void setDot(QAction* action, std::optional<RgbColour> colour) {
    const QVariant wanted = colour ? QVariant(toQColor(*colour)) : QVariant();
    if (action->data() == wanted)
        return;
    action->setData(wanted);
    action->setIcon(colour ? dotIcon(*colour) : noDotIcon());
}

void setStateLine(QAction* action, SignalState state) {
    setLine(action, QStringLiteral("State"), stateName(state));
    setDot(action, stateColour(state));
}

QString signalText(int rssi, int percent) {
    return QString::number(rssi) + QStringLiteral(" dBm  (") + QString::number(percent) +
           QStringLiteral("%)");
}

QString rateText(double megabitsPerSecond) {
    return QString::number(truncatedRateMbps(megabitsPerSecond)) + QStringLiteral(" Mbps");
}

// A line that still shows a reading says it is an old one.
void markLastKnown(QAction* line) {
    if (!line->text().endsWith(noValue) && !line->text().endsWith(lastKnownMark))
        line->setText(line->text() + lastKnownMark);
}

QString oneDecimal(double value) {
    return QString::number(value, 'f', 1);
}

} // namespace

MenuManager::MenuManager(SettingsStore& settings, QObject* parent)
    : QObject(parent)
    , settings(settings)
    , rootMenu(std::make_unique<QMenu>())
    , structure(*rootMenu) {
    QMenu& menu = *rootMenu;

    soundNotice = addLine(menu, QStringLiteral("No sound output \u2014 alerts are silent"), false);
    historyNotice = addLine(menu, QString(), false);
    addHeader(slotA);
    slotA.state = addLine(menu, QStringLiteral("State: --"));
    addAlertItems(slotA, TargetSlot::a);
    detailSeparatorA = menu.addSeparator();
    addInformationLines(slotA, menu);

    sectionSeparatorB = menu.addSeparator();
    structure.setVisible(sectionSeparatorB, false);
    addHeader(slotB);
    slotB.state = addLine(menu, QStringLiteral("State: --"), false);
    addAlertItems(slotB, TargetSlot::b);
    // Slot b is only ever shown beside slot a, so its lines are always nested.
    addInformationLines(slotB, *slotB.details);

    addCommands();
}

MenuManager::~MenuManager() = default;

QAction* MenuManager::addLine(QMenu& menu, const QString& text, bool visible) {
    QAction* action = menu.addAction(text);
    // Information, not a command: nothing happens on a click.
    action->setEnabled(false);
    structure.setVisible(action, visible);
    return action;
}

void MenuManager::addHeader(SlotItems& items) {
    items.details = new QMenu(rootMenu.get());
    items.header = rootMenu->addMenu(items.details);
    structure.setVisible(items.header, false);
}

void MenuManager::addAlertItems(SlotItems& items, TargetSlot slot) {
    QMenu& menu = *rootMenu;
    items.alertSeparator = menu.addSeparator();
    structure.setVisible(items.alertSeparator, false);

    auto* snoozeMenu = new QMenu(QStringLiteral("Snooze Alert"), &menu);
    for (int minutes : snoozeMinutes) {
        QAction* entry = snoozeMenu->addAction(QString::number(minutes) + QStringLiteral(" minutes"));
        entry->setData(minutes);
        connect(entry, &QAction::triggered, this,
                [this, slot, minutes] { Q_EMIT snoozeRequested(slot, minutes); });
    }
    items.snooze = menu.addMenu(snoozeMenu);
    structure.setVisible(items.snooze, false);

    items.disable = menu.addAction(QStringLiteral("Disable Alerts"));
    structure.setVisible(items.disable, false);
    connect(items.disable, &QAction::triggered, this, [this, slot] {
        if (itemsFor(slot).offersEnable)
            Q_EMIT enableRequested(slot);
        else
            Q_EMIT disableRequested(slot);
    });
}

void MenuManager::addInformationLines(SlotItems& items, QMenu& menu) {
    items.ssid = addLine(menu, QStringLiteral("SSID: --"));
    items.phyMode = addLine(menu, QStringLiteral("Standard: --"));
    items.rssi = addLine(menu, QStringLiteral("Signal: --"));
    items.noise = addLine(menu, QStringLiteral("Noise: --"));
    items.txRate = addLine(menu, QStringLiteral("TX Rate: --"));
    items.band = addLine(menu, QStringLiteral("Band: --"), false);
    items.linkDetail = addLine(menu, QStringLiteral("Link: --"), false);
    items.throughput = addLine(menu, QStringLiteral("Throughput: --"), false);
}

void MenuManager::addCommands() {
    QMenu& menu = *rootMenu;
    menu.addSeparator();
    QAction* sessionLog = menu.addAction(QStringLiteral("Session Log"));
    sessionLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(sessionLog, &QAction::triggered, this, &MenuManager::sessionLogRequested);
    QAction* signalHistory = menu.addAction(QStringLiteral("Signal History"));
    connect(signalHistory, &QAction::triggered, this, &MenuManager::signalHistoryRequested);

    debugLogItem = menu.addAction(QStringLiteral("Debug Log"));
    structure.setVisible(debugLogItem, settings.readBool(SettingsKey::debugLogging));
    connect(debugLogItem, &QAction::triggered, this, &MenuManager::debugLogRequested);
    NotificationCenter::shared().observe(NotificationName::debugLoggingToggled, this,
                                         [this](std::optional<bool> enabled) {
                                             if (enabled)
                                                 structure.setVisible(debugLogItem, *enabled);
                                         });

    menu.addSeparator();
    QAction* updates = menu.addAction(QStringLiteral("Check for Updates\u2026"));
    connect(updates, &QAction::triggered, this, &MenuManager::checkForUpdatesRequested);
    QAction* preferences = menu.addAction(QStringLiteral("Preferences\u2026"));
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(preferences, &QAction::triggered, this, &MenuManager::preferencesRequested);
    QAction* quit = menu.addAction(QStringLiteral("Quit Veltrano"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &MenuManager::quitRequested);
}

MenuManager::SlotItems& MenuManager::itemsFor(TargetSlot slot) {
    return slot == TargetSlot::a ? slotA : slotB;
}

void MenuManager::configureSections(bool twoTargets, const QString& labelA, const QString& labelB) {
    slotA.header->setText(labelA);
    slotB.header->setText(labelB);
    for (QAction* line : {slotA.header, slotB.header, sectionSeparatorB, slotB.state})
        structure.setVisible(line, twoTargets);
    structure.setVisible(detailSeparatorA, !twoTargets);
    structure.arrange([this, twoTargets] { nestSlotADetails(twoTargets); });
    if (twoTargets)
        return;
    // Slot b's alert controls go too: the monitor stops updating them once the
    // second target is removed, and they would otherwise stay behind alone.
    for (QAction* line :
         {slotB.band, slotB.linkDetail, slotB.throughput, slotB.alertSeparator, slotB.snooze, slotB.disable})
        structure.setVisible(line, false);
}

// With one target the menu stays flat; with two, slot a's lines move into the
// submenu under its heading, where slot b's always are.
void MenuManager::nestSlotADetails(bool nested) {
    if (slotADetailsNested == nested)
        return;
    slotADetailsNested = nested;
    for (QAction* line : slotA.detailLines()) {
        if (nested) {
            rootMenu->removeAction(line);
            slotA.details->addAction(line);
        } else {
            slotA.details->removeAction(line);
            rootMenu->insertAction(sectionSeparatorB, line);
        }
    }
}

void MenuManager::showIdleItems() {
    showWithoutReading(QStringLiteral("No target configured"), std::nullopt, QStringLiteral("Device"),
                       QStringLiteral("IP"));
}

void MenuManager::showWithoutReading(const QString& state, std::optional<RgbColour> dot,
                                     const QString& nameLabel, const QString& detailLabel) {
    setLine(slotA.state, QStringLiteral("State"), state);
    setDot(slotA.state, dot);
    setLine(slotA.ssid, nameLabel, noValue);
    setLine(slotA.phyMode, detailLabel, noValue);
    setLine(slotA.rssi, QStringLiteral("Signal"), noValue);
    setLine(slotA.noise, QStringLiteral("Noise"), noValue);
    setLine(slotA.txRate, QStringLiteral("TX Rate"), noValue);
    hideRouterOnlyLines(slotA);
}

void MenuManager::hideRouterOnlyLines(SlotItems& items) {
    structure.setVisible(items.band, false);
    structure.setVisible(items.linkDetail, false);
    structure.setVisible(items.throughput, false);
}

void MenuManager::updateP2P(const LocalLinkReading& link, int rssi, int percent, SignalState state) {
    setStateLine(slotA.state, state);
    setLine(slotA.ssid, QStringLiteral("SSID"), link.ssid.value_or(noValue));
    setLine(slotA.phyMode, QStringLiteral("Standard"), phyModeName(link.phyMode));
    setLine(slotA.rssi, QStringLiteral("Signal"), signalText(rssi, percent));
    // Many drivers measure no noise; a made-up floor would read as a measurement.
    setLine(slotA.noise, QStringLiteral("Noise"),
            link.noise ? QString::number(*link.noise) + QStringLiteral(" dBm") : noValue);
    setLine(slotA.txRate, QStringLiteral("TX Rate"), rateText(link.transmitRate));
    hideRouterOnlyLines(slotA);
}

void MenuManager::showLocalLinkUnavailable(bool hasInterface) {
    showWithoutReading(hasInterface ? QStringLiteral("Wi-Fi not connected")
                                    : QStringLiteral("No Wi-Fi interface on this computer"),
                       stateColour(SignalState::offline), QStringLiteral("SSID"), QStringLiteral("Standard"));
}

void MenuManager::updateTarget(const RouterClient& row, int rssi, int percent, SignalState state,
                               TargetSlot slot) {
    SlotItems& items = itemsFor(slot);
    // A target the router no longer lists (even one kept critical) has no reading
    // to show; neither has a row without a signal or a rate.
    const bool noReading = state == SignalState::offline || rssi == noSignalRSSI;
    if (row.radioTransportDown) {
        // Its state is not known, only why.
        setLine(items.state, QStringLiteral("State"), QStringLiteral("Router SSH not answering"));
        setDot(items.state, stateColour(SignalState::offline));
    } else {
        setStateLine(items.state, state);
    }
    setLine(items.ssid, QStringLiteral("Device"), displayName(row, settings));
    setLine(items.phyMode, QStringLiteral("IP"), row.ip.isEmpty() ? noValue : row.ip);
    setLine(items.rssi, QStringLiteral("Signal"), noReading ? noValue : signalText(rssi, percent));
    setLine(items.noise, QStringLiteral("Noise"), noValue);
    setLine(items.txRate, QStringLiteral("TX Rate"),
            noReading || truncatedRateMbps(row.txRate) == 0 ? noValue : rateText(row.txRate));

    if (row.iface.contains(QStringLiteral("2.4")) && vendorForMAC(row.mac)) {
        setLine(items.band, QStringLiteral("Band"), QStringLiteral("2.4 GHz \u2014 limited throughput"));
        setDot(items.band, stateColour(SignalState::critical));
        structure.setVisible(items.band, true);
    } else if (row.iface.isEmpty() || row.iface == QLatin1String("wlan")) {
        structure.setVisible(items.band, false);
    } else {
        QString bandText = bandInWords(row.iface);
        if (!row.accessPoint.isEmpty())
            bandText += QStringLiteral(" · ") + row.accessPoint;
        setLine(items.band, QStringLiteral("Band"), bandText);
        setDot(items.band, std::nullopt);
        structure.setVisible(items.band, true);
    }

    const bool showLink = settings.readBool(SettingsKey::showDev) && row.linkDetail;
    if (showLink)
        setLine(items.linkDetail, QStringLiteral("Link"), linkDetailText(*row.linkDetail));
    structure.setVisible(items.linkDetail, showLink);
}

void MenuManager::updateThroughput(std::optional<double> current, std::optional<double> peak,
                                   std::optional<double> average, TargetSlot slot) {
    QAction* line = itemsFor(slot).throughput;
    if (!current || !peak || !average) {
        structure.setVisible(line, false);
        return;
    }
    setLine(line, QStringLiteral("Throughput"),
            oneDecimal(*current) + QStringLiteral(" MB/s  (peak: ") + oneDecimal(*peak) +
                QStringLiteral(" \u00b7 avg: ") + oneDecimal(*average) + QStringLiteral(")"));
    structure.setVisible(line, true);
}

void MenuManager::updateAlertItems(const AlertControls& controls, TargetSlot slot) {
    SlotItems& items = itemsFor(slot);
    const bool shown = controls.alerting || controls.disabled;
    const QString audioNote = controls.audioOn ? QString() : audioOffMark;
    structure.setVisible(items.alertSeparator, shown);
    structure.setVisible(items.snooze, controls.alerting && !controls.disabled);
    items.snooze->setText((controls.snoozedUntil
                               ? QStringLiteral("Alerts snoozed until ") +
                                     controls.snoozedUntil->toLocalTime().toString(QStringLiteral("HH:mm"))
                               : QStringLiteral("Snooze Alert")) +
                          audioNote);
    structure.setVisible(items.disable, shown);
    items.offersEnable = controls.disabled;
    items.disable->setText(
        (controls.disabled ? QStringLiteral("Enable Alerts") : QStringLiteral("Disable Alerts")) + audioNote);
}

void MenuManager::showRouterUnreachable() {
    for (SlotItems* items : {&slotA, &slotB}) {
        setLine(items->state, QStringLiteral("State"), QStringLiteral("Router unreachable"));
        setDot(items->state, stateColour(SignalState::critical));
        for (QAction* line : {items->rssi, items->txRate})
            markLastKnown(line);
    }
}

void MenuManager::showHistoryStopped(const QString& reason) {
    historyNotice->setText(QStringLiteral("Signal history stopped \u2014 ") + reason);
    structure.setVisible(historyNotice, true);
}

void MenuManager::showSoundNotice(bool silent) {
    structure.setVisible(soundNotice, silent);
}

#include "display/MenuManager.h"

#include "TestEnvironment.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QMenu>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

const QString separator = QStringLiteral("---");

QStringList visibleTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        if (action->isVisible())
            texts.append(action->isSeparator() ? separator : action->text());
    }
    return texts;
}

QList<const QAction*> visibleRows(const QMenu& menu) {
    QList<const QAction*> rows;
    for (const QAction* action : menu.actions())
        if (action->isVisible())
            rows.append(action);
    return rows;
}

// Slot a's information lines: between the first separator and the next one.
QStringList slotALines(const QMenu& menu) {
    const QStringList texts = visibleTexts(menu);
    const qsizetype first = texts.indexOf(separator);
    return texts.mid(first + 1, texts.indexOf(separator, first + 1) - first - 1);
}

QAction* actionNamed(const QMenu& menu, const QString& text, int occurrence = 0) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text && occurrence-- == 0)
            return action;
    }
    return nullptr;
}

const QStringList fixedCommands{separator,
                                QStringLiteral("Session Log"),
                                QStringLiteral("Signal History"),
                                separator,
                                QStringLiteral("Check for Updates\u2026"),
                                QStringLiteral("Preferences\u2026"),
                                QStringLiteral("Quit Veltrano")};

class MenuManagerTest : public ::testing::Test {
protected:
    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
};

TEST_F(MenuManagerTest, startsWithSlotALinesAndTheFixedCommands) {
    MenuManager manager(settings);
    const QStringList expected = QStringList{QStringLiteral("State: --"),  separator,
                                             QStringLiteral("SSID: --"),   QStringLiteral("Standard: --"),
                                             QStringLiteral("Signal: --"), QStringLiteral("Noise: --"),
                                             QStringLiteral("TX Rate: --")} +
                                 fixedCommands;
    EXPECT_EQ(visibleTexts(*manager.menu()), expected);
    EXPECT_EQ(actionNamed(*manager.menu(), QStringLiteral("Quit Veltrano"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(actionNamed(*manager.menu(), QStringLiteral("Preferences\u2026"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_Comma));
}

TEST_F(MenuManagerTest, secondTargetShowsBothHeadingsAndItsSectionUntilItIsRemoved) {
    MenuManager manager(settings);
    manager.configureSections(true, QStringLiteral("1"), QStringLiteral("2"));
    QStringList texts = visibleTexts(*manager.menu());
    EXPECT_EQ(texts, (QStringList{QStringLiteral("1"), QStringLiteral("State: --"), separator,
                                  QStringLiteral("2"), QStringLiteral("State: --")} +
                      fixedCommands));

    manager.updateAlertItems({true, false, {}, true}, TargetSlot::b);
    manager.updateThroughput(1.0, 2.0, 1.5, TargetSlot::b);
    manager.configureSections(false, QStringLiteral("1"), QStringLiteral("2"));
    texts = visibleTexts(*manager.menu());
    EXPECT_EQ(texts.size(), 7 + fixedCommands.size()) << texts.join(QLatin1Char('|')).toStdString();
}

RouterClient client(const QString& mac, const QString& iface, std::optional<ClientLinkDetail> detail = {},
                    int rssi = -64, double rate = 433.3, const QString& accessPoint = {}) {
    return RouterClient{mac,
                        QStringLiteral("192.168.8.20"),
                        QStringLiteral("studio"),
                        iface,
                        rssi,
                        rate,
                        true,
                        0,
                        0,
                        detail,
                        false,
                        accessPoint};
}

QStringList lines(const QString& signal, const QString& rate, const QStringList& extra = {}) {
    return QStringList{QStringLiteral("Device: studio"), QStringLiteral("IP: 192.168.8.20"), signal,
                       QStringLiteral("Noise: --"), rate} +
           extra;
}

const QString canon = QStringLiteral("78:f5:05:aa:bb:cc");
const QString laptop = QStringLiteral("aa:bb:cc:dd:ee:ff");
const QString signal = QStringLiteral("Signal: -64 dBm  (82%)");
const QString rate = QStringLiteral("TX Rate: 433 Mbps");
const QString noSignal = QStringLiteral("Signal: --");
const QString noRate = QStringLiteral("TX Rate: --");
const ClientLinkDetail vht{9, 2, 80, true, QStringLiteral("ac")};

TEST_F(MenuManagerTest, slotLinesFollowTheRowWithNothingMadeUp) {
    struct Row {
        const char* name;
        RouterClient row;
        SignalState state;
        bool showDev;
        QStringList lines;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"offline keeps name and address", client(laptop, QStringLiteral("5G")), SignalState::offline,
              false, lines(noSignal, noRate, {QStringLiteral("Band: 5 GHz")})},
             // A camera the router stopped listing stays critical, with nothing made up.
             {"gone but critical", client(canon, QStringLiteral("wlan"), {}, -99, 0.0), SignalState::critical,
              false, lines(noSignal, noRate)},
             {"rate not a number", client(laptop, QStringLiteral("wlan"), {}, -64, std::nan("")),
              SignalState::excellent, false, lines(signal, noRate)},
             {"camera on 2.4 GHz", client(canon, QStringLiteral("2.4G")), SignalState::marginal, false,
              lines(signal, rate, {QStringLiteral("Band: 2.4 GHz \u2014 limited throughput")})},
             {"laptop on 2.4 GHz", client(laptop, QStringLiteral("2.4G")), SignalState::excellent, false,
              lines(signal, rate, {QStringLiteral("Band: 2.4 GHz")})},
             {"unknown band has no line", client(laptop, QStringLiteral("wlan")), SignalState::excellent,
              false, lines(signal, rate)},
             {"link detail with the developer setting", client(laptop, QStringLiteral("5G"), vht),
              SignalState::excellent, true,
              lines(signal, rate,
                    {QStringLiteral("Band: 5 GHz"),
                     QStringLiteral("Link: MCS 9 \u00b7 80 MHz \u00b7 2SS \u00b7 SGI \u00b7 802.11ac")})},
             {"no link detail without it", client(laptop, QStringLiteral("5G"), vht), SignalState::excellent,
              false, lines(signal, rate, {QStringLiteral("Band: 5 GHz")})},
             {"access point named",
              client(laptop, QStringLiteral("5G"), {}, -64, 433.3, QStringLiteral("Studio-North")),
              SignalState::excellent, false,
              lines(signal, rate, {QStringLiteral("Band: 5 GHz \u00b7 Studio-North")})}}) {
        SCOPED_TRACE(row.name);
        settings.writeBool(SettingsKey::showDev, row.showDev);
        MenuManager manager(settings);
        manager.updateTarget(row.row, row.row.rssi, 82, row.state, TargetSlot::a);
        EXPECT_EQ(slotALines(*manager.menu()), row.lines);
    }
    // The "&" in a name is text, not a shortcut mark that would swallow it.
    RouterClient named = client(laptop, QStringLiteral("5G"));
    named.hostname = QStringLiteral("Bob & Ann");
    MenuManager manager(settings);
    manager.updateTarget(named, -64, 82, SignalState::excellent, TargetSlot::a);
    EXPECT_EQ(slotALines(*manager.menu()).value(0), QStringLiteral("Device: Bob && Ann"));
}

TEST_F(MenuManagerTest, localLinkLeavesNoRouterLineBehindAndSaysWhenThereIsNone) {
    settings.writeBool(SettingsKey::showDev, true);
    MenuManager manager(settings);
    manager.updateTarget(client(laptop, QStringLiteral("5G"), vht), -64, 82, SignalState::excellent,
                         TargetSlot::a);
    manager.updateThroughput(1.0, 2.0, 1.5, TargetSlot::a);
    manager.updateP2P(LocalLinkReading{QStringLiteral("wlan0"), std::nullopt, -58, std::nullopt, 866.7, 6, 2},
                      -58, 90, SignalState::excellent);
    EXPECT_EQ(slotALines(*manager.menu()),
              (QStringList{QStringLiteral("SSID: --"), QStringLiteral("Standard: 802.11ax"),
                           QStringLiteral("Signal: -58 dBm  (90%)"), QStringLiteral("Noise: --"),
                           QStringLiteral("TX Rate: 866 Mbps")}));
    EXPECT_EQ(visibleTexts(*manager.menu()).first(), QStringLiteral("State: Excellent"));

    manager.showLocalLinkUnavailable(false);
    EXPECT_EQ(visibleTexts(*manager.menu()).first(),
              QStringLiteral("State: No Wi-Fi interface on this computer"));
    EXPECT_EQ(slotALines(*manager.menu()).at(2), noSignal);
    manager.showLocalLinkUnavailable(true);
    EXPECT_EQ(visibleTexts(*manager.menu()).first(), QStringLiteral("State: Wi-Fi not connected"));
}

TEST_F(MenuManagerTest, throughputLineNeedsAllThreeValues) {
    MenuManager manager(settings);
    manager.updateThroughput(12.34, 20.0, 8.06, TargetSlot::a);
    EXPECT_EQ(slotALines(*manager.menu()).last(),
              QStringLiteral("Throughput: 12.3 MB/s  (peak: 20.0 \u00b7 avg: 8.1)"));
    manager.updateThroughput(12.34, std::nullopt, 8.06, TargetSlot::a);
    EXPECT_FALSE(slotALines(*manager.menu()).last().startsWith(QStringLiteral("Throughput")));
}

// Disabling wins over alerting: only "Enable Alerts" is left. A snooze shows its
// end; with audio off both items say that nothing would sound anyway.
TEST_F(MenuManagerTest, alertControlsFollowAlertingDisabledSnoozeAndAudio) {
    const QDateTime snoozeEnd(QDate(2025, 3, 14), QTime(14, 35), Qt::UTC);
    const QString audioOff = QStringLiteral(" (audio is off)");
    const std::vector<std::pair<AlertControls, QStringList>> rows{
        {{false, false, {}, true}, {}},
        {{true, false, {}, true},
         {separator, QStringLiteral("Snooze Alert"), QStringLiteral("Disable Alerts")}},
        {{true, true, {}, true}, {separator, QStringLiteral("Enable Alerts")}},
        {{false, true, {}, true}, {separator, QStringLiteral("Enable Alerts")}},
        {{true, false, snoozeEnd, true},
         {separator, QStringLiteral("Alerts snoozed until 14:35"), QStringLiteral("Disable Alerts")}},
        {{true, false, {}, false},
         {separator, QStringLiteral("Snooze Alert") + audioOff, QStringLiteral("Disable Alerts") + audioOff}},
    };
    for (const auto& [controls, expected] : rows) {
        MenuManager manager(settings);
        manager.updateAlertItems(controls, TargetSlot::a);
        const QStringList texts = visibleTexts(*manager.menu());
        EXPECT_EQ(texts.mid(1, texts.indexOf(QStringLiteral("SSID: --")) - 2), expected)
            << "alerting " << controls.alerting << ", disabled " << controls.disabled;
    }
}

TEST_F(MenuManagerTest, unreachableRouterMarksTheLastReadingsUntilTheNextRow) {
    MenuManager manager(settings);
    manager.updateTarget(client(laptop, QStringLiteral("5G")), -64, 82, SignalState::excellent,
                         TargetSlot::a);
    manager.showRouterUnreachable();
    manager.showRouterUnreachable();
    EXPECT_EQ(visibleTexts(*manager.menu()).first(), QStringLiteral("State: Router unreachable"));
    EXPECT_EQ(slotALines(*manager.menu()),
              lines(signal + QStringLiteral(" (last known)"), rate + QStringLiteral(" (last known)"),
                    {QStringLiteral("Band: 5 GHz")}));

    manager.updateTarget(client(laptop, QStringLiteral("5G")), -64, 82, SignalState::excellent,
                         TargetSlot::a);
    EXPECT_EQ(slotALines(*manager.menu()), lines(signal, rate, {QStringLiteral("Band: 5 GHz")}));

    // A row the router could not read the radio of names why, in place of a state.
    RouterClient unread = client(laptop, QStringLiteral("5G"), {}, -99, 0.0);
    unread.radioTransportDown = true;
    manager.updateTarget(unread, -99, 0, SignalState::critical, TargetSlot::a);
    EXPECT_EQ(visibleTexts(*manager.menu()).first(), QStringLiteral("State: Router SSH not answering"));
    EXPECT_EQ(slotALines(*manager.menu()), lines(noSignal, noRate, {QStringLiteral("Band: 5 GHz")}));
}

TEST_F(MenuManagerTest, soundNoticeIsOneLineAboveTheSlots) {
    MenuManager manager(settings);
    manager.showSoundNotice(true);
    EXPECT_EQ(visibleTexts(*manager.menu()).first(),
              QStringLiteral("No sound output \u2014 alerts are silent"));
    manager.showSoundNotice(false);
    EXPECT_EQ(visibleTexts(*manager.menu()).first(), QStringLiteral("State: --"));
}

TEST_F(MenuManagerTest, alertActionsCarryTheirSlot) {
    MenuManager manager(settings);
    QStringList requests;
    QObject::connect(&manager, &MenuManager::snoozeRequested, [&](TargetSlot slot, int minutes) {
        requests.append(QStringLiteral("snooze %1 %2").arg(int(slot)).arg(minutes));
    });
    QObject::connect(&manager, &MenuManager::disableRequested,
                     [&](TargetSlot slot) { requests.append(QStringLiteral("disable %1").arg(int(slot))); });
    QObject::connect(&manager, &MenuManager::enableRequested,
                     [&](TargetSlot slot) { requests.append(QStringLiteral("enable %1").arg(int(slot))); });

    QMenu* snoozeB = actionNamed(*manager.menu(), QStringLiteral("Snooze Alert"), 1)->menu();
    ASSERT_NE(snoozeB, nullptr);
    EXPECT_EQ(visibleTexts(*snoozeB), (QStringList{QStringLiteral("5 minutes"), QStringLiteral("10 minutes"),
                                                   QStringLiteral("15 minutes")}));
    snoozeB->actions().at(1)->trigger();
    actionNamed(*manager.menu(), QStringLiteral("Disable Alerts"))->trigger();
    manager.updateAlertItems({true, true, {}, true}, TargetSlot::a);
    actionNamed(*manager.menu(), QStringLiteral("Enable Alerts"))->trigger();
    EXPECT_EQ(requests, (QStringList{QStringLiteral("snooze 1 10"), QStringLiteral("disable 0"),
                                     QStringLiteral("enable 0")}));
}

TEST_F(MenuManagerTest, debugLogItemFollowsTheSettingAndItsNotification) {
    settings.writeBool(SettingsKey::debugLogging, true);
    MenuManager manager(settings);
    QAction* debugLog = actionNamed(*manager.menu(), QStringLiteral("Debug Log"));
    EXPECT_TRUE(debugLog->isVisible());
    NotificationCenter::shared().post(NotificationName::debugLoggingToggled, false);
    EXPECT_FALSE(debugLog->isVisible());
    NotificationCenter::shared().post(NotificationName::debugLoggingToggled, true);
    EXPECT_TRUE(debugLog->isVisible());
}

TEST_F(MenuManagerTest, idleItemsReplaceTheLastTarget) {
    MenuManager manager(settings);
    settings.writeBool(SettingsKey::showDev, true);
    manager.updateTarget(client(laptop, QStringLiteral("5G"), vht), -64, 82, SignalState::excellent,
                         TargetSlot::a);
    manager.updateThroughput(1.0, 2.0, 1.5, TargetSlot::a);
    manager.showIdleItems();
    EXPECT_EQ(
        visibleTexts(*manager.menu()).mid(0, 7),
        (QStringList{QStringLiteral("State: No target configured"), separator, QStringLiteral("Device: --"),
                     QStringLiteral("IP: --"), QStringLiteral("Signal: --"), QStringLiteral("Noise: --"),
                     QStringLiteral("TX Rate: --")}));
    EXPECT_EQ(visibleTexts(*manager.menu()).at(7), separator);
}

// A row that moves under the pointer takes the click meant for another. A
// manager never shown tells what the rows should be once the menu is closed.
TEST_F(MenuManagerTest, rowsHoldStillWhileShownAndCatchUpOnCloseOrTheNextShow) {
    MenuManager shown(settings);
    MenuManager closed(settings);
    QMenu& menu = *shown.menu();
    const auto onBoth = [&](const auto& change) {
        change(shown);
        change(closed);
    };
    menu.popup(QPoint(0, 0));
    const QList<const QAction*> before = visibleRows(menu);
    onBoth([](MenuManager& manager) {
        manager.updateAlertItems({true, false, {}, true}, TargetSlot::a);
        manager.updateTarget(client(canon, QStringLiteral("2.4G")), -64, 82, SignalState::marginal,
                             TargetSlot::a);
        manager.configureSections(true, QStringLiteral("1"), QStringLiteral("2"));
    });
    NotificationCenter::shared().post(NotificationName::debugLoggingToggled, true);
    EXPECT_EQ(visibleRows(menu), before);
    EXPECT_EQ(visibleTexts(menu).first(), QStringLiteral("State: Marginal"));
    menu.hide();
    EXPECT_EQ(visibleTexts(menu), visibleTexts(*closed.menu()));
    EXPECT_TRUE(visibleTexts(*actionNamed(menu, QStringLiteral("1"))->menu())
                    .contains(QStringLiteral("Band: 2.4 GHz \u2014 limited throughput")));

    // A host that never says its menu closed gets the new rows when it next shows it.
    Q_EMIT menu.aboutToShow();
    onBoth([](MenuManager& manager) { manager.updateAlertItems({}, TargetSlot::a); });
    EXPECT_NE(visibleTexts(menu), visibleTexts(*closed.menu()));
    Q_EMIT menu.aboutToShow();
    EXPECT_EQ(visibleTexts(menu), visibleTexts(*closed.menu()));
}

// Hosts draw a row in 22 to 26 px: 22 rows leave a 768 px screen room for its panel.
TEST_F(MenuManagerTest, twoAlertingTargetsFitALaptopScreenWithTheirDetailsUnderTheirHeadings) {
    settings.writeBool(SettingsKey::showDev, true);
    settings.writeBool(SettingsKey::debugLogging, true);
    MenuManager manager(settings);
    manager.showSoundNotice(true);
    manager.configureSections(true, QStringLiteral("A"), QStringLiteral("B"));
    for (TargetSlot slot : {TargetSlot::a, TargetSlot::b}) {
        manager.updateAlertItems({true, false, {}, true}, slot);
        manager.updateTarget(client(canon, QStringLiteral("2.4G"), vht), -64, 82, SignalState::critical,
                             slot);
        manager.updateThroughput(1.0, 2.0, 1.5, slot);
    }
    const QStringList top = visibleTexts(*manager.menu());
    EXPECT_LE(top.size(), 22) << top.join(QLatin1Char('|')).toStdString();
    for (const QString& label : {QStringLiteral("A"), QStringLiteral("B")}) {
        const QAction* header = actionNamed(*manager.menu(), label);
        ASSERT_TRUE(header && header->menu());
        EXPECT_EQ(visibleTexts(*header->menu()).size(), 8);
    }
}

// Hosts keep drawing the old dot when a row's icon becomes null.
TEST_F(MenuManagerTest, clearedDotIsATransparentIconAndANeverDottedRowHasNone) {
    MenuManager manager(settings);
    for (const QString& band : {QStringLiteral("2.4G"), QStringLiteral("5G")})
        manager.updateTarget(client(canon, band), -64, 82, SignalState::excellent, TargetSlot::a);
    const QIcon cleared = actionNamed(*manager.menu(), QStringLiteral("Band: 5 GHz"))->icon();
    QImage transparent(16, 16, QImage::Format_ARGB32_Premultiplied);
    transparent.fill(Qt::transparent);
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled})
        EXPECT_EQ(cleared.pixmap(16, mode).toImage().convertToFormat(transparent.format()), transparent);
    EXPECT_TRUE(actionNamed(*manager.menu(), signal)->icon().isNull());
}

} // namespace

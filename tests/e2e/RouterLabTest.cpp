#include "RouterLab.h"

#include "FakeMenuPresenter.h"
#include "FakeSoundPlayer.h"
#include "FakeStatusItem.h"
#include "FakeWirelessLink.h"
#include "app/RouterConnectionFlow.h"
#include "display/FloatingSignalState.h"
#include "logs/SessionLog.h"
#include "monitor/WiFiMonitor.h"
#include "platform/Clock.h"
#include "platform/NetworkEventSource.h"
#include "router/RouterFamily.h"
#include "router/identity/IdentityChangedMessage.h"
#include "windows/ClientPickerDialog.h"
#include "windows/FakeSettingsWindowActions.h"
#include "windows/SettingsWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString cameraA = QStringLiteral("78:F5:05:4A:10:01"); // 5 GHz, Wi-Fi 6
const QString cameraB = QStringLiteral("3C:BE:E1:22:33:44"); // 2.4 GHz
const QString cameraC = QStringLiteral("04:5D:4B:00:60:01"); // 6 GHz, Wi-Fi 7, on the second access point

QJsonObject command(const QString& name, const QJsonObject& extra = {}) {
    QJsonObject object = extra;
    object.insert(QStringLiteral("command"), name);
    return object;
}

// A profile that is already connected to the router and names both cameras.
void followBothCameras(SettingsStore& settings) {
    settings.writeBool(SettingsKey::routerConnected, true);
    settings.writeString(SettingsKey::targetMAC, cameraA);
    settings.writeString(SettingsKey::targetMAC2, cameraB);
}

// The whole monitor, as the program builds it, following what the settings of
// `rig` name through the router they point at.
struct LabMonitor {
    explicit LabMonitor(RouterRig& rig)
        : monitor(MonitorContext{rig.settings, rig.router, link, networkEvents, statusItem, menu, soundPlayer,
                                 clock, sessionLog, floating, rig.logger}) {
        monitor.start();
    }
    ~LabMonitor() { monitor.stop(); }

    FakeWirelessLink link;
    NetworkEventSource networkEvents;
    FakeStatusItem statusItem;
    FakeMenuPresenter menu;
    FakeSoundPlayer soundPlayer;
    SystemClock clock;
    SessionLog sessionLog{std::nullopt, [this] { return clock.now(); }};
    FloatingSignalState floating;
    WiFiMonitor monitor;
};

class RouterLabTest : public LabTest {
protected:
    // Detect, connect, then follow camera A until its pinned signal comes back by
    // the family's own path (`viaItsPath` tells that path's answer).
    void provesFamily(const QString& address, const QString& family,
                      const std::function<bool(const RouterClient&)>& viaItsPath) {
        EXPECT_EQ(rig.detect(address), RouterDetection{family});
        rig.useRouter(address, family, lab);
        ASSERT_TRUE(rig.connectRouter());
        lab.control(address, command(QStringLiteral("set"),
                                     {{QStringLiteral("mac"), cameraA}, {QStringLiteral("rssi"), -57}}));
        std::optional<RouterClient> row;
        EXPECT_TRUE(waitUntil(
            [&] {
                row = rig.client(cameraA.toLower());
                return row && row->rssi == -57 && viaItsPath(*row);
            },
            20'000))
            << family.toStdString();
    }
};

// Anything else is the adapters' business, proved on recorded answers in
// tests/router. UniFi's first polls answer from the controller while the access
// point is looked up; then the access point's hostapd answers over SSH.
TEST_F(RouterLabTest, EachFamilyIsDetectedConnectedAndFollowed) {
    const auto anyPath = [](const RouterClient&) { return true; };
    provesFamily(lab.glinet, RouterFamily::glinet, anyPath);
    // Firmware 4 serves HTTPS as well: the login and the session id never cross in clear text.
    const QJsonArray glinetRequests = lab.requests(lab.glinet);
    EXPECT_FALSE(glinetRequests.isEmpty());
    for (const QJsonValue& request : glinetRequests)
        EXPECT_EQ(request[u"port"_s].toInt(), 443) << request[u"body"_s].toString().toStdString();
    provesFamily(lab.uniFi, RouterFamily::unifi, [this](const RouterClient&) {
        return std::any_of(rig.systemLog.lines.cbegin(), rig.systemLog.lines.cend(),
                           [](const SystemLogLine& line) {
                               return line.message.contains(QStringLiteral("UniFi hostapd_cli sta output"));
                           });
    });
    provesFamily(lab.peplink, RouterFamily::peplink, anyPath);
    // Firmware 8's API: the admin's session cookie, and signal only in the full output.
    lab.control(lab.peplink, command(QStringLiteral("peplinkFirmware8")));
    provesFamily(lab.peplink, RouterFamily::peplink, anyPath);
}

// Two cameras on the two access points of a U7-style site (their radios found
// among sockets, the scanning radio and regular files): each is read from its
// access point's hostapd on a master of its own, no master starts while they
// stay, and a roam is followed and logged once.
TEST_F(RouterLabTest, UniFiFollowsTwoCamerasThroughTheirTwoAccessPoints) {
    rig.useRouter(lab.uniFi, RouterFamily::unifi, lab);
    rig.settings.writeBool(SettingsKey::routerConnected, true);
    rig.settings.writeString(SettingsKey::targetMAC, cameraA);
    rig.settings.writeString(SettingsKey::targetMAC2, cameraC);
    LabMonitor lm(rig);
    // Only hostapd's rate words tell the MCS; the controller's row has none.
    const auto fromAccessPoint = [&](TargetSlot slot, const QString& accessPoint) {
        const RouterClient& row = lm.menu.targets.value(slot).row;
        return row.linkDetail && row.linkDetail->mcs && row.accessPoint == accessPoint;
    };
    ASSERT_TRUE(waitUntil(
        [&] {
            return fromAccessPoint(TargetSlot::a, u"Studio-South"_s) &&
                   fromAccessPoint(TargetSlot::b, u"Studio-North"_s);
        },
        30'000));
    EXPECT_EQ(lm.menu.targets.value(TargetSlot::b).row.iface, u"6G"_s);

    const auto connectionsTo = [&](const QString& address) {
        QFile log(lab.sshdLog);
        static_cast<void>(log.open(QIODevice::ReadOnly));
        return static_cast<int>(
            QString::fromUtf8(log.readAll())
                .count(QRegularExpression(u"Connection from \\S+ port \\d+ on "_s +
                                          QRegularExpression::escape(address) + u" port 22"_s)));
    };
    const std::pair steady(connectionsTo(u"10.77.0.5"_s), connectionsTo(u"10.77.0.7"_s));
    waitUntil([] { return false; }, 5000);
    EXPECT_EQ(std::pair(connectionsTo(u"10.77.0.5"_s), connectionsTo(u"10.77.0.7"_s)), steady);

    lab.control(lab.uniFi,
                command(QStringLiteral("set"), {{QStringLiteral("mac"), cameraA},
                                                {QStringLiteral("apMac"), u"AC:8B:A9:21:64:0E"_s}}));
    EXPECT_TRUE(waitUntil([&] { return fromAccessPoint(TargetSlot::a, u"Studio-North"_s); }, 30'000));
    waitUntil([] { return false; }, 3000);
    QStringList moves;
    for (const LogEntry& entry : lm.sessionLog.entries())
        if (entry.message.contains(u" moved to "_s))
            moves.append(entry.message);
    EXPECT_EQ(moves, QStringList{u"A \u00b7 EOS R5 Mark II moved to Studio-North (5 GHz)"_s});
}

// A host that takes over a known router's address (a spoofed gateway in a
// shared studio) and answers as a GL.iNet router over plain HTTP and SSH alone
// hears no login, hash or session: detection refuses its family, and a connect
// made as GL.iNet anyway ends before its challenge or any ssh connection.
TEST_F(RouterLabTest, AnImpostorAtAKnownRoutersAddressIsSentNothing) {
    for (const auto& [address, family] :
         {std::pair(lab.uniFi, RouterFamily::unifi), std::pair(lab.peplink, RouterFamily::peplink)}) {
        rig.useRouter(address, family, lab);
        ASSERT_TRUE(rig.connectRouter()) << family.toStdString();
        rig.router.disconnect();
        ASSERT_TRUE(lab.control(address, command(u"reset"_s)));
        ASSERT_TRUE(lab.control(address, command(u"impersonate"_s, {{u"family"_s, RouterFamily::glinet}})));

        EXPECT_EQ(rig.detect(address),
                  (RouterDetection{RouterFamily::glinet, familyChangedMessage(address)}));
        rig.settings.writeString(SettingsKey::detectedRouterType, RouterFamily::glinet);
        EXPECT_FALSE(rig.connectRouter());
        EXPECT_EQ(rig.client(cameraA.toLower()), std::nullopt);
        for (const QJsonValue& request : lab.requests(address))
            EXPECT_TRUE(request[u"body"_s].toString().contains(u"\"challenge\""_s))
                << request[u"body"_s].toString().toStdString();
        QFile sshdLog(lab.sshdLog);
        ASSERT_TRUE(sshdLog.open(QIODevice::ReadOnly));
        const QRegularExpression connection(u"Connection from \\S+ port \\d+ on "_s +
                                            QRegularExpression::escape(address) + u" port 22"_s);
        EXPECT_FALSE(connection.match(QString::fromUtf8(sshdLog.readAll())).hasMatch());
        // Once from the detection, once from the connect; the polls after it ask nobody.
        EXPECT_EQ(std::count_if(rig.systemLog.lines.cbegin(), rig.systemLog.lines.cend(),
                                [&](const SystemLogLine& line) {
                                    return line.message.startsWith(u"VT-2003 family-changed "_s + address);
                                }),
                  2);
    }
}

// The real GL.iNet adapter on the monitor's one-second poll. It starts while
// the router's ssh hangs: camera A's list row is fine but its radio cannot be
// read, which must raise no alarm.
TEST_F(RouterLabTest, TheMonitorFollowsTwoCamerasAcrossAHungSshAndTheRoutersHealth) {
    rig.useRouter(lab.glinet, RouterFamily::glinet, lab);
    lab.control(lab.glinet, command(QStringLiteral("set"), {{QStringLiteral("mac"), cameraA},
                                                            {QStringLiteral("rssi"), -50},
                                                            {QStringLiteral("txRate"), 1201.0}}));
    lab.signalSshd(SIGSTOP);
    followBothCameras(rig.settings);
    LabMonitor lm(rig);
    WiFiMonitor& monitor = lm.monitor;
    EXPECT_TRUE(
        waitUntil([&] { return lm.menu.targets.value(TargetSlot::a).row.radioTransportDown; }, 30'000));
    EXPECT_FALSE(lm.menu.alertItems.value(TargetSlot::a).alerting);
    lab.signalSshd(SIGCONT);

    const auto stateOf = [&](TargetSlot slot) { return monitor.target(slot).currentState(); };
    EXPECT_TRUE(waitUntil([&] { return monitor.target(TargetSlot::a).lastRouterRSSI() == -50; }, 30'000));
    EXPECT_EQ(stateOf(TargetSlot::a), SignalState::excellent);
    // A camera on 2.4 GHz cannot carry images fast enough, whatever its signal.
    EXPECT_TRUE(waitUntil([&] { return stateOf(TargetSlot::b) == SignalState::critical; }, 15'000));

    // Two failed health probes mark the router unreachable; one answer clears it.
    lab.control(lab.glinet, command(QStringLiteral("silent"), {{QStringLiteral("on"), true}}));
    EXPECT_TRUE(waitUntil([&] { return monitor.routerIsDown(); }, 45'000));
    lab.control(lab.glinet, command(QStringLiteral("silent"), {{QStringLiteral("on"), false}}));
    EXPECT_TRUE(waitUntil([&] { return !monitor.routerIsDown(); }, 30'000));
}

// Both slots poll every second, yet a refused password reaches each router once
// (UniFi's once: its console's login and its classic controller's).
TEST_F(RouterLabTest, ARefusedPasswordIsSentOncePerRouterWhileBothSlotsPoll) {
    for (const auto& [address, family, logins] :
         {std::tuple(lab.glinet, RouterFamily::glinet, 1), std::tuple(lab.uniFi, RouterFamily::unifi, 2)}) {
        rig.useRouter(address, family, lab);
        rig.credentials.savePassword(QStringLiteral("not it"), RouterCredentials::accountFor(address));
        followBothCameras(rig.settings);
        LabMonitor polling(rig);
        waitUntil([] { return false; }, 6000);
        EXPECT_EQ(lab.logins(address), logins) << family.toStdString();
    }
}

// A router that reboots takes the master and the shell on it along: polling
// resumes on one new shell. The main thread starts no other process: every
// other ssh runs from the pool.
TEST_F(RouterLabTest, AfterARouterRebootPollingResumesOnOneNewShell) {
    rig.useRouter(lab.glinet, RouterFamily::glinet, lab);
    QSet<pid_t> shells;
    const auto radioIsReadOnShells = [&](qsizetype count) {
        return waitUntil(
            [&] {
                const std::optional<RouterClient> row = rig.client(cameraA.toLower());
                for (const pid_t child : RouterLab::childrenOf(::getpid()))
                    shells.insert(child);
                return shells.size() == count && row && row->linkDetail;
            },
            8000);
    };
    EXPECT_TRUE(radioIsReadOnShells(1));
    // Every session sshd serves ends, as at a reboot; sshd itself listens on.
    // The pipe tells of it well before a batch's 10 s deadline would.
    for (const pid_t session : RouterLab::childrenOf(lab.sshd))
        ::kill(session, SIGKILL);
    EXPECT_TRUE(radioIsReadOnShells(2));
}

// The router's sshd session stops answering while its master still answers
// the control socket. Idle, the master gives up after its unanswered
// keep-alives; under polls, the first batch past its deadline ends it well
// before that. Either way a fresh master brings the radio data back without
// the user.
TEST_F(RouterLabTest, AWedgedMasterIsEndedAndReplacedWithoutTheUser) {
    rig.useRouter(lab.glinet, RouterFamily::glinet, lab);
    const auto radioIsRead = [&] {
        const std::optional<RouterClient> row = rig.client(cameraA.toLower());
        return row && row->linkDetail;
    };
    ASSERT_TRUE(waitUntil(radioIsRead, 8000));
    const QList<pid_t> idle = RouterLab::sshMasters();
    ASSERT_EQ(idle.size(), 1);
    lab.signalSshdSessions(SIGSTOP);
    QElapsedTimer wedged;
    wedged.start();
    EXPECT_TRUE(waitUntil([&] { return !RouterLab::sshMasters().contains(idle.first()); }, 25'000));
    EXPECT_GE(wedged.elapsed(), 9'000) << "two keep-alives 5 s apart go unanswered first";
    EXPECT_TRUE(waitUntil(radioIsRead, 15'000));

    const QList<pid_t> polled = RouterLab::sshMasters();
    lab.signalSshdSessions(SIGSTOP);
    wedged.restart();
    EXPECT_TRUE(waitUntil([&] { return radioIsRead() && RouterLab::sshMasters() != polled; }, 30'000));
    EXPECT_LT(wedged.elapsed(), 12'000) << "ended at the batch's deadline, not by the keep-alives";
    EXPECT_EQ(RouterLab::sshMasters().size(), 1);
}

// A new user, with the mouse and the password alone: from a fresh profile to
// both cameras followed, through the real settings window.
TEST_F(RouterLabTest, FromAFreshProfileTheSettingsWindowConnectsAndPicksTwoCameras) {
    LabMonitor lm(rig);
    RouterConnectionFlow flow(rig.settings, rig.credentials, rig.router, rig.router, lm.sessionLog,
                              [this](const QString& address, auto answer) {
                                  rig.router.detectRouterType(address, std::move(answer));
                              });
    FakeSettingsWindowActions actions(flow, rig.router);
    SettingsWindow window(rig.settings, actions);
    window.present();

    // The studio's gateway is the lab's GL.iNet router.
    auto* gatewayPicker = window.findChild<QComboBox*>(u"gatewayPicker"_s);
    ASSERT_TRUE(waitUntil([&] { return gatewayPicker->count() == 1; }));
    const QSignalSpy picked(gatewayPicker, &QComboBox::activated);
    QTest::mouseClick(gatewayPicker, Qt::LeftButton);
    QAbstractItemView* gatewayList = gatewayPicker->view();
    // The open list ignores a release that comes as fast as a double click.
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    QTest::mouseClick(gatewayList->viewport(), Qt::LeftButton, {},
                      gatewayList->visualRect(gatewayList->model()->index(0, 0)).center());
    EXPECT_EQ(rig.settings.readString(SettingsKey::routerIP), lab.glinet);
    EXPECT_EQ(picked.count(), 1);

    QTest::keyClicks(window.findChild<QLineEdit*>(u"localPassword"_s), lab.password);
    auto* connectButton = window.findChild<QPushButton*>(u"connectButton"_s);
    QTest::mouseClick(connectButton, Qt::LeftButton);
    auto* status = window.findChild<QLabel*>(u"routerStatus"_s);
    EXPECT_TRUE(waitUntil([&] { return status->text() == QStringLiteral("Flint 2 (GL-MT6000)"); }, 30'000))
        << status->text().toStdString();
    EXPECT_EQ(connectButton->text(), QStringLiteral("Disconnect"));

    auto* selectDevice = window.findChild<QPushButton*>(u"selectDeviceButton"_s);
    for (const QString& camera : {QStringLiteral("EOS R5 Mark II"), QStringLiteral("Z8")}) {
        QTest::mouseClick(selectDevice, Qt::LeftButton);
        ClientPickerDialog* picker = nullptr;
        ASSERT_TRUE(waitUntil(
            [&] {
                for (ClientPickerDialog* open : window.findChildren<ClientPickerDialog*>())
                    picker = open->isVisible() ? open : picker;
                return picker != nullptr;
            },
            20'000));
        for (QPushButton* row : picker->findChildren<QPushButton*>(QStringLiteral("clientRow")))
            if (row->findChild<QLabel*>(QStringLiteral("clientName"))->text() == camera)
                QTest::mouseClick(row, Qt::LeftButton);
        EXPECT_FALSE(picker->isVisible()) << camera.toStdString();
    }

    // Both slots show the router's readings of their camera.
    EXPECT_TRUE(waitUntil(
        [&] {
            return std::all_of(lm.menu.targets.cbegin(), lm.menu.targets.cend(),
                               [](const FakeMenuPresenter::TargetLines& lines) { return lines.rssi < 0; }) &&
                   lm.menu.targets.value(TargetSlot::a).row.mac.compare(cameraA, Qt::CaseInsensitive) == 0 &&
                   lm.menu.targets.value(TargetSlot::b).row.mac.compare(cameraB, Qt::CaseInsensitive) == 0;
        },
        20'000));
}

} // namespace

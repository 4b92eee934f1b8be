// Shows every window of the program in turn with sample content and writes a PNG
// of each into the folder given, as the screen shows it. Run under Xvfb by
// tools/screenshots/screenshots; it reads no settings of the user's and touches
// no network.
#include "app/DesktopShellWindows.h"
#include "app/RouterConnectionFlow.h"
#include "app/SettingsWindowActions.h"
#include "app/WhatsNewEntry.h"
#include "display/FloatingSignalState.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "logs/HistoryDatabase.h"
#include "logs/SessionLog.h"
#include "logs/SignalHistory.h"
#include "monitor/SignalModel.h"
#include "platform/Clock.h"
#include "platform/LinuxApplicationScripting.h"
#include "platform/LinuxComputerReaders.h"
#include "platform/Nl80211WirelessLink.h"
#include "preflight/PreflightChecklistModel.h"
#include "router/ClientListSource.h"
#include "router/RouterConnector.h"
#include "router/RouterService.h"
#include "router/demo/DemoTimeline.h"
#include "router/keyring/CredentialStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "windows/ClientPickerDialog.h"
#include "windows/PreflightChecklistView.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>

namespace {

struct Scene {
    QString name;
    // Of the window that shows.
    QString objectName;
    std::function<void()> show;
};

QWidget* topLevelWindow(const QString& objectName) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == objectName && widget->isVisible())
            return widget;
    return nullptr;
}

void fillSessionLog(SessionLog& log) {
    const QDateTime start(QDate(2026, 12, 7), QTime(9, 14, 2));
    const struct {
        int seconds;
        const char* state;
        std::optional<int> rssi;
        const char* message;
    } rows[] = {
        {0, "\u2014", std::nullopt, "Veltrano 1.0.0 launched on Debian GNU/Linux 12 (build 26120601)"},
        {3, "\u2014", std::nullopt, "Connected to GL.iNet GL-MT3000 \u00b7 192.168.8.1"},
        {5, "Excellent", -48, "Target A (Canon EOS R5) \u2014 Excellent"},
        {6, "Excellent", -55, "Target B (Canon EOS R6) \u2014 Excellent"},
        {412, "Marginal", -71, "Target A (Canon EOS R5) \u2014 Marginal"},
        {440, "Critical", -82, "Target A (Canon EOS R5) \u2014 Critical"},
        {471, "Marginal", -70, "Target A (Canon EOS R5) \u2014 Marginal"},
        {503, "Excellent", -52, "Target A (Canon EOS R5) \u2014 Excellent"},
        {1210, "Offline", std::nullopt, "Target B (Canon EOS R6) \u2014 Offline"},
        {1254, "Excellent", -57, "Target B (Canon EOS R6) \u2014 Excellent"},
    };
    for (const auto& row : rows)
        log.append({LogEntry::timestampFrom(start.addSecs(row.seconds)), QString::fromUtf8(row.state),
                    row.rssi, std::nullopt, QString::fromUtf8(row.message)});
}

void fillDebugLog(DebugLog& log) {
    log.log(QStringLiteral("INFO"), VtCode::transportReady,
            QStringLiteral("ssh master up for root@192.168.8.1"));
    log.log(QStringLiteral("DEBUG"), VtCode::transportCmdFail,
            QStringLiteral("ubus call iwinfo assoclist: retry"));
    log.log(QStringLiteral("ERROR"), VtCode::transportTimeout, QStringLiteral("no answer within 5 s"));
    log.log(QStringLiteral("INFO"), VtCode::transportReady, QString());
}

// A studio's router: both targets chosen, the second-generation camera among them.
ClientPickerSheet pickerSheet() {
    const auto row = [](const char* mac, const char* ip, const char* hostname, bool online) {
        RouterClient client;
        client.mac = QString::fromLatin1(mac);
        client.ip = QString::fromLatin1(ip);
        client.hostname = QString::fromLatin1(hostname);
        client.isOnline = online;
        return client;
    };
    ClientPickerSheet sheet;
    sheet.clients = {row("A4:83:E7:12:0C:9D", "192.168.8.140", "studio-ipad", false),
                     row("78:F5:05:3A:61:02", "192.168.8.131", "", true),
                     row("F8:A2:6D:44:10:7E", "192.168.8.132", "Canon EOS R6", true),
                     row("3C:22:FB:90:55:11", "192.168.8.120", "tether-macbook", true)};
    sheet.targetMACA = sheet.clients.at(1).mac;
    sheet.targetMACB = sheet.clients.at(2).mac;
    sheet.labelStyle = QStringLiteral("AB");
    return sheet;
}

// The settings window's outside world, answered from memory: no router, no
// keyring and no network are involved.
class SampleRouter : public RouterService, public RouterConnector, public ClientListSource {
public:
    void fetchClients(RouterAdapter::ClientsCompletion completion) override {
        completion(std::optional(pickerSheet().clients));
    }
    bool isOnLocalSubnet(const QString&) const override { return true; }
    std::optional<QString> loginRefusal() override { return std::nullopt; }
    void fetchClient(const QString&, ClientCompletion completion) override { completion(std::nullopt); }
    void probeRouterHealth(HealthCompletion completion) override { completion(true); }
    void resetSession() override {}
    void disconnect() override {}
    QList<GatewayOption> gatewayOptions() override {
        return {{QStringLiteral("192.168.8.1"), QStringLiteral("192.168.8.1 \u2014 Wi-Fi (wlan0)")}};
    }
    bool isGatewayOnWiFi(const QString&) override { return true; }
    void connect(RouterAdapter::ConnectCompletion completion) override { completion(true, std::nullopt); }
    void fetchModelName(RouterAdapter::ModelCompletion completion) override { completion(std::nullopt); }
    void fetchAPSSHCredentials() override {}
};

class SampleKeyring : public CredentialStore {
public:
    PasswordRead readPassword(const QString&) override { return {QStringLiteral("studio-pass"), 0}; }
    qint32 savePassword(const QString&, const QString&) override { return 0; }
    qint32 deletePassword(const QString&) override { return 0; }
};

class SampleActions : public SettingsWindowActions {
public:
    SampleActions(SettingsStore& settings, SessionLog& sessionLog)
        : flow(settings, keyring, router, router, sessionLog, [](const QString&, DetectionCompletion answer) {
            answer({.family = QStringLiteral("glinet")});
        }) {}
    RouterConnectionFlow& connectionFlow() override { return flow; }
    ClientListSource& clientList() override { return router; }
    PreflightChecklistModel& preflightModel() override { return preflight; }
    ComputerChecklistModel& computerChecks() override { return computer; }
    void snoozeAll(int) override {}
    void resetAllBandwidthStats() override {}
    UninstallWipe::Report wipeAllData() override { return {}; }
    void quitApplication() override {}

    // Answers the pre-flight checklist's scripts.

private:
    SampleRouter router;
    SampleKeyring keyring;
    RouterConnectionFlow flow;
    SystemClock clock;
    // What a Linux user sees: nothing here reaches Capture One.
    CaptureOneManager captureOne{std::make_shared<LinuxApplicationScripting>(),
                                 *QThreadPool::globalInstance()};
    PreflightChecklistModel preflight{captureOne, clock};
    // This computer as it is, with no camera to try: its checks read and never send.
    Nl80211WirelessLink wifi{EventLogger::shared()};
    ComputerChecklistModel computer{linuxComputerReaders(), wifi, [] { return QList<CameraAddress>(); },
                                    [](const QString&) { return false; }, *QThreadPool::globalInstance()};
};

// The demo's two cameras over the last ten minutes, as the monitor would have
// recorded them, one reading a second.
void fillHistory(const QString& path) {
    const DemoTimeline timeline = DemoTimeline::builtIn();
    constexpr qint64 spanMs = 10 * 60 * 1000;
    const qint64 startMs = QDateTime::currentMSecsSinceEpoch() - spanMs;
    QList<HistoryReading> readings;
    for (qint64 elapsed = 0; elapsed < spanMs; elapsed += 1000) {
        for (qsizetype index = 0; index < std::min<qsizetype>(timeline.cameras.size(), 2); ++index) {
            const DemoTimeline::Camera& camera = timeline.cameras.at(index);
            const std::optional<RouterClient> row = timeline.clientAt(camera, elapsed);
            HistoryReading reading;
            reading.timeMs = startMs + elapsed;
            reading.slot = index == 0 ? TargetSlot::a : TargetSlot::b;
            reading.mac = camera.mac;
            reading.name = camera.hostname;
            reading.listed = row.has_value();
            reading.state = SignalState::offline;
            if (row) {
                reading.rssi = normalizeRSSI(row->rssi);
                reading.rateMbps = truncatedRateMbps(row->txRate);
                reading.state = classifySignal(reading.rssi, reading.rateMbps).state;
                reading.band = bandInWords(row->iface);
                reading.accessPoint = row->accessPoint;
            }
            reading.lowestRssi = reading.highestRssi = reading.rssi;
            readings.append(reading);
        }
    }
    HistoryDatabase::open(path).database->write(readings, {});
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: veltrano-window-gallery OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir scratch;
    SettingsStore settings(scratch.filePath(QStringLiteral("settings.json")));
    SessionLog sessionLog(std::nullopt);
    fillSessionLog(sessionLog);
    DebugLog debugLog;
    fillDebugLog(debugLog);
    FloatingSignalState state;
    // The windows are reached the way the shell reaches them.
    const QString historyPath = scratch.filePath(QStringLiteral("history.sqlite3"));
    fillHistory(historyPath);
    const SystemClock clock;
    SignalHistory history(historyPath, settings, clock);
    DesktopShellWindows windows(settings, state, sessionLog, debugLog, history, false);
    SampleActions settingsActions(settings, sessionLog);
    PreflightChecklistView checklist(settingsActions.preflightModel(), settingsActions.computerChecks());
    settings.writeString(SettingsKey::monitoringMode, QStringLiteral("router"));
    settings.writeString(SettingsKey::routerUsername, QStringLiteral("root"));
    settings.writeString(SettingsKey::targetMAC, QStringLiteral("74:BF:C0:12:34:56"));
    settings.writeString(SettingsKey::targetName, QStringLiteral("Canon EOS R5"));

    const QList<Scene> scenes{
        {QStringLiteral("splash"), QStringLiteral("splashWindow"), [&] { windows.showSplash(); }},
        {QStringLiteral("floating-single"), QStringLiteral("floatingSignalWindow"),
         [&] {
             state.setColorA(Colour::excellentTeal);
             windows.showFloatingWindow();
         }},
        {QStringLiteral("floating-split"), QStringLiteral("floatingSignalWindow"),
         [&] {
             state.setColorA(Colour::systemRed);
             state.setColorB(Colour::excellentTeal);
             state.setLabelA(QStringLiteral("A"));
             state.setLabelB(QStringLiteral("B"));
             windows.floatingSplitChanged(true);
             windows.showFloatingWindow();
         }},
        {QStringLiteral("whats-new"), QStringLiteral("whatsNewWindow"),
         [&] { windows.showWhatsNew(unseenEntries(QStringLiteral("26071302"))); }},
        {QStringLiteral("session-log"), QStringLiteral("sessionLogWindow"),
         [&] { windows.openSessionLog(); }},
        {QStringLiteral("debug-log"), QStringLiteral("debugLogWindow"), [&] { windows.openDebugLog(); }},
        {QStringLiteral("signal-history"), QStringLiteral("signalHistoryWindow"),
         [&] { windows.openSignalHistory(); }},
        {QStringLiteral("client-picker"), QStringLiteral("clientPickerDialog"),
         [&] { (new ClientPickerDialog(pickerSheet(), settings))->open(); }},
        {QStringLiteral("settings-disconnected"), QStringLiteral("settingsWindow"),
         [&] { windows.openPreferences(settingsActions); }},
        {QStringLiteral("settings-connected"), QStringLiteral("settingsWindow"),
         [&] {
             settings.writeBool(SettingsKey::routerConnected, true);
             settings.writeString(SettingsKey::detectedModelName, QStringLiteral("GL-MT6000"));
             settings.writeString(SettingsKey::targetMAC2, QStringLiteral("74:BF:C0:65:43:21"));
             settings.writeString(SettingsKey::targetName2, QStringLiteral("Canon EOS R6"));
             // Opened again, so it takes the connection over as on opening.
             topLevelWindow(QStringLiteral("settingsWindow"))->hide();
             windows.openPreferences(settingsActions);
         }},
        {QStringLiteral("checklist-fresh"), QStringLiteral("preflightChecklistView"),
         [&] { checklist.show(); }},
        {QStringLiteral("checklist-completed"), QStringLiteral("preflightChecklistView"),
         [&] {
             settingsActions.preflightModel().runAll();
             settingsActions.computerChecks().runAll();
         }},
        {QStringLiteral("checklist-this-computer"), QStringLiteral("preflightChecklistView"),
         [&] {
             QScrollBar* rows =
                 checklist.findChild<QScrollArea*>(QStringLiteral("checklistRows"))->verticalScrollBar();
             rows->setValue(rows->maximum());
         }},
    };

    int failures = 0;
    // One scene at a time: show, give the window system time to map and paint,
    // photograph what the screen shows.
    std::function<void(int)> shoot = [&](int index) {
        if (index == scenes.size()) {
            app.exit(failures);
            return;
        }
        const Scene& scene = scenes.at(index);
        scene.show();
        QTimer::singleShot(800, &app, [&, index] {
            const Scene& scene = scenes.at(index);
            QWidget* window = topLevelWindow(scene.objectName);
            if (!window) {
                std::fprintf(stderr, "%s did not open\n", qPrintable(scene.name));
                app.exit(1);
                return;
            }
            const QRect frame = window->frameGeometry();
            const QPixmap picture =
                window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
            const QString path = output.filePath(scene.name + QStringLiteral(".png"));
            if (!picture.save(path)) {
                std::fprintf(stderr, "could not write %s\n", qPrintable(path));
                ++failures;
            }
            // A window shown again in the next scene stays up, as it would for the user.
            if (index + 1 == scenes.size() || scenes.at(index + 1).objectName != scene.objectName)
                window->hide();
            shoot(index + 1);
        });
    };
    QTimer::singleShot(0, &app, [&] { shoot(0); });
    return app.exec();
}

// The tray program's parts in router mode with one critical target flashing at
// 0.25 s, fed by a fake router; runs for the given number of seconds. Measured
// from outside by bench/soak (resident memory over time, CPU).
#include "TestEnvironment.h"
#include "app/LaunchDefaults.h"
#include "display/FloatingSignalState.h"
#include "display/MenuManager.h"
#include "display/TrayStatusItem.h"
#include "logs/EventLogger.h"
#include "logs/HistoryDatabase.h"
#include "logs/SessionLog.h"
#include "logs/SignalHistory.h"
#include "monitor/WiFiMonitor.h"
#include "platform/Clock.h"
#include "platform/LoadedSoundPlayer.h"
#include "platform/NetworkEventSource.h"
#include "platform/NoWirelessLink.h"
#include "router/RouterService.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QTimer>

namespace {

// Answers every fetch at once with the same critical row. Unlike the tests' fake
// it records nothing, so whatever memory grows is the program's own.
class CriticalRouter final : public RouterService {
public:
    explicit CriticalRouter(RouterClient row)
        : row(std::move(row)) {}
    void fetchClient(const QString&, ClientCompletion completion) override { completion(row); }
    void probeRouterHealth(HealthCompletion completion) override { completion(true); }
    void resetSession() override {}
    void disconnect() override {}
    QList<GatewayOption> gatewayOptions() override { return {}; }
    bool isGatewayOnWiFi(const QString&) override { return false; }
    bool isOnLocalSubnet(const QString&) const override { return true; }

private:
    RouterClient row;
};

} // namespace

int main(int argc, char** argv) {
    TestEnvironment::prepareProcess();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromUtf8(argv[1]).toInt() : 600;

    SettingsStore& settings = SettingsStore::shared();
    LaunchDefaults::registerAbsentDefaults(settings);
    settings.writeString(SettingsKey::routerIP, QStringLiteral("192.0.2.1"));
    settings.writeBool(SettingsKey::routerConnected, true);
    settings.writeString(SettingsKey::targetMAC, QStringLiteral("84:BA:3B:00:00:01"));

    RouterClient row;
    row.mac = QStringLiteral("84:BA:3B:00:00:01");
    row.ip = QStringLiteral("192.0.2.20");
    row.iface = QStringLiteral("5G");
    row.rssi = -80;
    row.txRate = 300.0;
    row.isOnline = true;
    CriticalRouter router(row);

    SystemClock clock;
    NoWirelessLink link;
    NetworkEventSource networkEvents;
    LoadedSoundPlayer soundPlayer{{QStringLiteral(VELTRANO_SOUND_MODULE)}};
    MenuManager menu(settings);
    TrayStatusItem statusItem(menu.menu());
    SignalHistory history(HistoryDatabase::defaultFilePath(), settings, clock);
    WiFiMonitor monitor(MonitorContext{settings, router, link, networkEvents, statusItem, menu, soundPlayer,
                                       clock, SessionLog::shared(), FloatingSignalState::shared(),
                                       EventLogger::shared()});
    QObject::connect(&monitor, &WiFiMonitor::readingTaken, &history, &SignalHistory::record);
    statusItem.show();
    monitor.start();
    QTimer::singleShot(std::chrono::seconds(seconds), &app, &QApplication::quit);
    return app.exec();
}

#pragma once

#include "FakeClock.h"
#include "FakeMenuPresenter.h"
#include "FakeRouterService.h"
#include "FakeSoundPlayer.h"
#include "FakeStatusItem.h"
#include "FakeWirelessLink.h"
#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "display/FloatingSignalState.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "logs/SessionLog.h"
#include "monitor/WiFiMonitor.h"
#include "platform/NetworkEventSource.h"
#include "platform/RecordingSystemLog.h"

#include <QCoreApplication>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// Everything a WiFiMonitor reaches, faked, with time and hand-overs under the
// test's control. MACs starting "CA:" belong to a camera maker.
struct MonitorTestBench {
    static inline const QString cameraMAC = QStringLiteral("CA:00:00:00:00:01");
    static inline const QString laptopMAC = QStringLiteral("3C:22:FB:00:00:02");

    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    FakeRouterService router;
    FakeWirelessLink link;
    NetworkEventSource networkEvents;
    FakeStatusItem statusItem;
    FakeMenuPresenter menu;
    FakeSoundPlayer soundPlayer;
    FakeClock clock;
    SessionLog sessionLog{std::nullopt, [this] { return clock.now(); }};
    FloatingSignalState floating;
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    std::unique_ptr<WiFiMonitor> monitor;

    MonitorTestBench() {
        monitor = std::make_unique<WiFiMonitor>(MonitorContext{
            settings, router, link, networkEvents, statusItem, menu, soundPlayer, clock, sessionLog, floating,
            logger, [](const QString& mac) {
                return mac.startsWith(QStringLiteral("CA:")) ? std::optional(QStringLiteral("Canon"))
                                                             : std::nullopt;
            }});
    }

    // A connected router following `macA` (and `macB` when given).
    void followTargets(const QString& macA, const QString& macB = QString()) {
        settings.writeString(SettingsKey::routerIP, QStringLiteral("192.168.8.1"));
        settings.writeBool(SettingsKey::routerConnected, true);
        settings.writeString(SettingsKey::targetMAC, macA);
        if (!macB.isEmpty())
            settings.writeString(SettingsKey::targetMAC2, macB);
    }

    void setRow(const QString& mac, int rssi, const QString& band = QStringLiteral("5G"),
                double txRate = 300.0, std::uint64_t totalBytes = 0) {
        RouterClient row;
        row.mac = mac;
        row.ip = QStringLiteral("192.168.8.20");
        row.hostname = mac == cameraMAC ? QStringLiteral("EOS R5") : QStringLiteral("MacBook");
        row.iface = band;
        row.rssi = rssi;
        row.txRate = txRate;
        row.isOnline = true;
        row.txBytes = totalBytes / 2;
        row.rxBytes = totalBytes - totalBytes / 2;
        router.rows.insert(mac, row);
    }

    // One poll, with the answers handed over to the main thread.
    void poll() {
        monitor->pollTick();
        QCoreApplication::sendPostedEvents();
    }

    // Answers every request the router holds, with the rows set now.
    void answerHeldFetches() {
        std::vector<FakeRouterService::PendingFetch> pending = std::move(router.pendingFetches);
        router.pendingFetches.clear();
        for (FakeRouterService::PendingFetch& fetch : pending)
            fetch.completion(router.row(fetch.mac));
        QCoreApplication::sendPostedEvents();
    }

    TargetMonitor& targetA() { return monitor->target(TargetSlot::a); }
    TargetMonitor& targetB() { return monitor->target(TargetSlot::b); }

    // The details logged with `code`, oldest first.
    QStringList logged(VtCode code) const {
        QStringList details;
        for (const SystemLogLine& line : systemLog.lines) {
            if (line.code == code)
                details.append(line.message.mid(rawValue(code).size() + 1));
        }
        return details;
    }
};

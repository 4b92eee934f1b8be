// Poll latency of each router family against the simulated routers of the
// router lab, beside the floor measured in the same run: what the same exchange
// costs done bare with curl and ssh from outside the program. Run it with
// bench/router-latency, which builds the lab around it.
//
// Usage: bench_router_latency [POLLS]   (default 200)

#include "LabBenchFakes.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "platform/LinuxGatewaySource.h"
#include "platform/NoWirelessLink.h"
#include "router/RouterFamily.h"
#include "router/RouterManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <algorithm>

namespace {

struct Figures {
    double median = 0;
    double p95 = 0;
};

Figures figuresOf(QList<double> samples) {
    if (samples.isEmpty())
        return {};
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double quantile) {
        return samples.at(std::min<qsizetype>(samples.size() - 1, qsizetype(quantile * samples.size())));
    };
    return {at(0.5), at(0.95)};
}

QString env(const char* name) {
    return QProcessEnvironment::systemEnvironment().value(QString::fromUtf8(name));
}

// Milliseconds of one run of `program`; negative when it failed.
double timedRun(const QString& program, const QStringList& args,
                const QProcessEnvironment& environment = {}) {
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    process.waitForFinished(20'000);
    const double elapsed = timer.nsecsElapsed() / 1e6;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? elapsed : -1;
}

class Bench {
public:
    // Where the GL.iNet master the polls use listens.
    QString controlSocket() const { return directory.filePath(QStringLiteral("run/veltrano-ssh-control")); }
    QString accessPointControlSocket() const {
        return directory.filePath(QStringLiteral("run/veltrano-ap-ssh-control"));
    }

    Bench()
        : manager(settings, credentials, logger, gateways, directory.filePath(QStringLiteral("run"))) {}

    // Polls the target `polls` times through the program's own path.
    Figures pollLatency(const QString& family, const QString& address, const QString& mac, int polls) {
        settings.writeString(SettingsKey::routerIP, address);
        settings.writeString(SettingsKey::detectedRouterType, family);
        settings.writeString(SettingsKey::routerUsername, env("VELTRANO_LAB_USERNAME"));
        manager.resetSession();
        bool connected = false;
        wait([&](auto done) {
            manager.connect([&, done](bool success, std::optional<QString>) {
                connected = success;
                done();
            });
        });
        if (!connected)
            return {};
        // The access-point path of UniFi needs the site's device login first.
        manager.fetchAPSSHCredentials();
        QEventLoop settle;
        QTimer::singleShot(1000, &settle, &QEventLoop::quit);
        settle.exec();
        const auto pollOnce = [&] {
            bool found = false;
            wait([&](auto done) {
                manager.fetchClient(mac, [&, done](std::optional<RouterClient> row) {
                    found = row.has_value();
                    done();
                });
            });
            return found;
        };
        // The first polls resolve caches and, for UniFi, find the camera's
        // access point and bring its ssh master up. The steady state is what a
        // shoot lives in, so three seconds of paced polls go first.
        QElapsedTimer warmUp;
        warmUp.start();
        while (warmUp.elapsed() < 3000) {
            pollOnce();
            QEventLoop pause;
            QTimer::singleShot(200, &pause, &QEventLoop::quit);
            pause.exec();
        }
        QList<double> samples;
        for (int poll = 0; poll < polls; ++poll) {
            QElapsedTimer timer;
            timer.start();
            if (pollOnce())
                samples.append(timer.nsecsElapsed() / 1e6);
        }
        return figuresOf(samples);
    }

private:
    template <typename Start> void wait(Start start) {
        QEventLoop loop;
        bool finished = false;
        start([&] {
            finished = true;
            loop.quit();
        });
        if (!finished)
            loop.exec();
    }

    QTemporaryDir directory;
    SettingsStore settings{directory.filePath(QStringLiteral("settings.json"))};
    OnePassword credentials{env("VELTRANO_LAB_PASSWORD")};
    QuietLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    NoWirelessLink link;
    LinuxGatewaySource gateways{link};
    RouterManager manager;
};

// Milliseconds of each of `runs` runs of a bare shell command line.
Figures shellFloor(const QString& commandLine, int runs) {
    QList<double> samples;
    for (int run = 0; run < runs; ++run) {
        const double ms = timedRun(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), commandLine});
        if (ms >= 0)
            samples.append(ms);
    }
    return figuresOf(samples);
}

QString row(const QString& family, const Figures& poll, const Figures& floor, const QString& floorName) {
    const double ratio = floor.median > 0 ? poll.median / floor.median : 0;
    return QStringLiteral("%1 %2 %3 %4 %5 %6  %7\n")
        .arg(family, -8)
        .arg(poll.median, 11, 'f', 2)
        .arg(poll.p95, 9, 'f', 2)
        .arg(floor.median, 13, 'f', 2)
        .arg(floor.p95, 10, 'f', 2)
        .arg(ratio, 8, 'f', 2)
        .arg(floorName);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (env("VELTRANO_LAB") != QStringLiteral("1")) {
        out << "Run inside the router lab: bench/router-latency BUILD_DIR\n";
        return 2;
    }
    const int polls = argc > 1 ? QString::fromUtf8(argv[1]).toInt() : 200;
    const QString camera = QStringLiteral("78:F5:05:4A:10:01");
    const QString glinet = env("VELTRANO_LAB_GLINET");
    const QString uniFi = env("VELTRANO_LAB_UNIFI");
    const QString peplink = env("VELTRANO_LAB_PEPLINK");
    const QString curl = QStringLiteral("curl -sk -o /dev/null --max-time 5 ");

    Bench bench;
    out << "all times in ms; " << polls << " polls each\n"
        << "family   poll median  poll p95  floor median  floor p95   ratio  floor\n";

    const Figures glinetPoll = bench.pollLatency(RouterFamily::glinet, glinet, camera, polls);
    // The poll's own sequence, bare: one list request, then the ssh commands
    // on the master the poll used (ping, the 50 ms settle, devices, one
    // assoclist per radio until the camera's).
    const QString control = bench.controlSocket();
    const QString ssh =
        QStringLiteral("ssh -S ") + control + QStringLiteral(" root@") + glinet + QLatin1Char(' ');
    const QString glinetSequence =
        curl +
        QStringLiteral("-X POST -H 'Content-Type: application/json' --data "
                       "'{\"jsonrpc\":\"2.0\",\"method\":\"call\",\"params\":[\"x\",\"clients\",\"get_list\","
                       "{}],\"id\":2}' http://") +
        glinet + QStringLiteral("/rpc; ") + ssh +
        QStringLiteral("'ping -c 1 10.77.0.51 >/dev/null 2>&1 &'; sleep 0.05; ") + ssh +
        QStringLiteral("'ubus call iwinfo devices' >/dev/null; ") + ssh +
        QStringLiteral("\"ubus call iwinfo assoclist '{\\\"device\\\":\\\"wlan0\\\"}'\" >/dev/null; ") + ssh +
        QStringLiteral("\"ubus call iwinfo assoclist '{\\\"device\\\":\\\"wlan1\\\"}'\" >/dev/null");
    out << row(QStringLiteral("glinet"), glinetPoll, shellFloor(glinetSequence, polls),
               QStringLiteral("curl list request + the poll's ssh -S commands"));

    const Figures uniFiPoll = bench.pollLatency(RouterFamily::unifi, uniFi, camera, polls);
    out << row(QStringLiteral("unifi"), uniFiPoll,
               shellFloor(curl + QStringLiteral("https://") + uniFi + QStringLiteral("/api/system"), polls),
               QStringLiteral("one curl HTTPS request"));
    // Once the camera's access point is known the poll asks its hostapd over
    // ssh: the same commands, bare, on the access-point master the poll used.
    const QString apSsh = QStringLiteral("ssh -S ") + bench.accessPointControlSocket() +
                          QStringLiteral(" root@") + env("VELTRANO_LAB_AP") + QLatin1Char(' ');
    const QString apSequence =
        apSsh + QStringLiteral("'ping -c 1 10.77.0.51 >/dev/null 2>&1 &'; sleep 0.05; ") + apSsh +
        QStringLiteral("'for iface in wifi0ap0 wifi1ap2 wifi2ap5 wifi0ap1 wifi1ap3 wifi2ap6; do "
                       "out=$(hostapd_cli -p /var/run/hostapd -i $iface sta 78:f5:05:4a:10:01 2>/dev/null); "
                       "[ \"$out\" != \"FAIL\" ] && [ -n \"$out\" ] && printf \"%s\" \"$out\" && break; "
                       "done' >/dev/null");
    out << row(QStringLiteral("unifi"), uniFiPoll, shellFloor(apSequence, polls),
               QStringLiteral("the access-point poll's ssh -S commands"));

    const Figures peplinkPoll = bench.pollLatency(RouterFamily::peplink, peplink, camera, polls);
    out << row(
        QStringLiteral("peplink"), peplinkPoll,
        shellFloor(curl + QStringLiteral("https://") + peplink + QStringLiteral("/api/status.system"), polls),
        QStringLiteral("one curl HTTPS request"));
    return 0;
}

// What polling costs: the tray program's monitor, built as the program builds it
// (real WiFiMonitor, RouterManager, platform pieces, sound player, menu and
// status item), follows two cameras through one router of the router lab for a
// measured window, then reports on one line: CPU of this process and all its
// children, tasks started, the poll latency beside the transport floor, and
// unique memory. Run it with bench/poll-cost, which builds the lab around it,
// starts it as the first process of its own pid namespace (so that the
// namespace's pid counter counts only what the program starts) and, where it
// can, in a cgroup of its own.
//
// Usage: bench_poll_cost glinet|unifi WARMUP_SECONDS SECONDS [CPU_USAGE_FILE]
//   CPU_USAGE_FILE: the cgroup's cpuacct.usage or cpu.stat; without it the
//   process tree is summed from /proc.

#include "LabBenchFakes.h"
#include "TestEnvironment.h"
#include "app/LaunchDefaults.h"
#include "display/FloatingSignalState.h"
#include "display/MenuManager.h"
#include "display/TrayStatusItem.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "logs/HistoryDatabase.h"
#include "logs/SessionLog.h"
#include "logs/SignalHistory.h"
#include "monitor/WiFiMonitor.h"
#include "platform/Clock.h"
#include "platform/LinuxGatewaySource.h"
#include "platform/LoadedSoundPlayer.h"
#include "platform/NetlinkNetworkEvents.h"
#include "platform/Nl80211WirelessLink.h"
#include "router/RouterFamily.h"
#include "router/RouterManager.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsWakeUpScope.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QPair>
#include <QProcess>
#include <QStringList>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString cameraA = QStringLiteral("78:F5:05:4A:10:01");
const QString cameraB = QStringLiteral("3C:BE:E1:22:33:44");

// The router as the monitor sees it, timing each client fetch while the
// measured window is open. Completions may come on any thread.
class TimedRouter final : public RouterService {
public:
    explicit TimedRouter(RouterService& router)
        : router(router) {}

    void fetchClient(const QString& targetMAC, ClientCompletion completion) override {
        const auto started = std::chrono::steady_clock::now();
        router.fetchClient(targetMAC,
                           [this, targetMAC, started, completion](std::optional<RouterClient> row) {
                               if (measuring && row) {
                                   const std::chrono::duration<double, std::milli> elapsed =
                                       std::chrono::steady_clock::now() - started;
                                   const std::lock_guard lock(mutex);
                                   samplesByTarget[targetMAC].append(elapsed.count());
                               }
                               completion(std::move(row));
                           });
    }
    void probeRouterHealth(HealthCompletion completion) override { router.probeRouterHealth(completion); }
    void resetSession() override { router.resetSession(); }
    void disconnect() override { router.disconnect(); }
    QList<GatewayOption> gatewayOptions() override { return router.gatewayOptions(); }
    bool isGatewayOnWiFi(const QString& address) override { return router.isGatewayOnWiFi(address); }
    bool isOnLocalSubnet(const QString& address) const override { return router.isOnLocalSubnet(address); }

    std::atomic<bool> measuring = false;
    // Milliseconds of each fetch that found its camera, by camera.
    QHash<QString, QList<double>> takeSamples() {
        const std::lock_guard lock(mutex);
        return std::exchange(samplesByTarget, {});
    }

private:
    RouterService& router;
    std::mutex mutex;
    QHash<QString, QList<double>> samplesByTarget;
};

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

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The fields of /proc/PID/stat after the command's closing parenthesis, so
// that index 0 is the state (field 3).
QList<QByteArray> statFields(const QString& pid) {
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close < 0 ? QList<QByteArray>() : stat.mid(close + 2).split(' ');
}

// This process's pid as /proc names it: /proc is the machine's, while this
// process runs in a pid namespace of its own where it is pid 1.
QString ownPid() {
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self"))).fileName();
}

// Every live process below this one (orphans too: this namespace's first
// process adopts them).
QStringList descendantPids() {
    QHash<QString, QString> parentOf;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (!pid.at(0).isDigit())
            continue;
        const QList<QByteArray> fields = statFields(pid);
        if (fields.size() >= 2)
            parentOf.insert(pid, QString::fromLatin1(fields.at(1)));
    }
    const QString self = ownPid();
    QStringList below;
    for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it) {
        QString ancestor = it.value();
        for (int depth = 0; depth < 64 && !ancestor.isEmpty() && ancestor != QStringLiteral("0"); ++depth) {
            if (ancestor == self) {
                below.append(it.key());
                break;
            }
            ancestor = parentOf.value(ancestor);
        }
    }
    return below;
}

// CPU seconds of this process and every descendant, exited ones included.
double cpuSeconds(const QString& usageFile) {
    if (usageFile.endsWith(QStringLiteral("cpuacct.usage")))
        return readAll(usageFile).trimmed().toDouble() / 1e9;
    if (!usageFile.isEmpty()) {
        for (const QByteArray& line : readAll(usageFile).split('\n'))
            if (line.startsWith("usage_usec "))
                return line.mid(11).toDouble() / 1e6;
        return 0;
    }
    // Exited children count through this process's cutime/cstime once reaped.
    const QList<QByteArray> own = statFields(ownPid());
    double ticks = own.size() < 15 ? 0
                                   : own.at(11).toDouble() + own.at(12).toDouble() + own.at(13).toDouble() +
                                         own.at(14).toDouble();
    for (const QString& pid : descendantPids()) {
        const QList<QByteArray> fields = statFields(pid);
        if (fields.size() >= 15)
            ticks += fields.at(11).toDouble() + fields.at(12).toDouble();
    }
    return ticks / double(::sysconf(_SC_CLK_TCK));
}

// Wake-ups so far (voluntary context switches: the task slept and was woken),
// by task: this process's threads under their names, each descendant under its
// command with its threads summed. Tasks of one name add up.
QMap<QString, qint64> wakeUpsByTask() {
    QMap<QString, qint64> wakeUps;
    const auto addTasks = [&](const QString& pid, const QString& processName) {
        const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
        for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString folder = tasks + QLatin1Char('/') + task;
            const QString name = processName.isEmpty()
                                     ? QString::fromUtf8(readAll(folder + QStringLiteral("/comm")).trimmed())
                                     : processName;
            for (const QByteArray& line : readAll(folder + QStringLiteral("/status")).split('\n'))
                if (line.startsWith("voluntary_ctxt_switches:"))
                    wakeUps[name] += line.mid(24).trimmed().toLongLong();
        }
    };
    addTasks(ownPid(), {});
    for (const QString& pid : descendantPids())
        addTasks(pid, QStringLiteral("child ") +
                          QString::fromUtf8(readAll(QStringLiteral("/proc/%1/comm").arg(pid)).trimmed()));
    return wakeUps;
}

// Wake-ups a second between two counts, the busiest task first, as
// "name rate, name rate"; and their sum.
QPair<double, QString> wakeUpRates(const QMap<QString, qint64>& before, const QMap<QString, qint64>& after,
                                   int seconds) {
    QList<QPair<double, QString>> rates;
    double total = 0;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const double rate = double(it.value() - before.value(it.key())) / seconds;
        total += rate;
        if (rate >= 0.05)
            rates.append({rate, it.key()});
    }
    std::sort(rates.begin(), rates.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList parts;
    for (const auto& [rate, name] : rates)
        parts.append(QStringLiteral("%1 %2").arg(name).arg(rate, 0, 'f', 1));
    return {total, parts.join(QStringLiteral(", "))};
}

// CPU seconds of this process alone, all its threads: the program's own share.
double ownCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Tasks (processes and threads) started so far in this pid namespace.
qint64 lastPid() {
    return readAll(QStringLiteral("/proc/sys/kernel/ns_last_pid")).trimmed().toLongLong();
}

// Unique memory: what this process alone holds, and the dirty part of it. The
// clean part is mostly library pages that no other process has mapped just now,
// so it moves with whatever else runs on the machine.
struct Memory {
    qint64 unique = 0;
    qint64 dirty = 0;
    qint64 resident = 0;
};

Memory ownMemory() {
    Memory kilobytes;
    for (const QByteArray& line : readAll(QStringLiteral("/proc/self/smaps_rollup")).split('\n')) {
        const qint64 value = line.simplified().split(' ').value(1).toLongLong();
        if (line.startsWith("Rss:"))
            kilobytes.resident = value;
        if (line.startsWith("Private_Clean:"))
            kilobytes.unique += value;
        if (line.startsWith("Private_Dirty:")) {
            kilobytes.unique += value;
            kilobytes.dirty = value;
        }
    }
    return kilobytes;
}

// What of the sound stack is up: the sound module (Qt Multimedia and the sound
// server's client library with it), a Qt Multimedia backend plugin mapped, the
// sound server's client loop running, the sample cache's loading thread.
QString soundStack() {
    QStringList parts;
    const QByteArray maps = readAll(QStringLiteral("/proc/self/maps"));
    if (maps.contains("/veltrano-sound.so"))
        parts.append(QStringLiteral("module"));
    if (maps.contains("/plugins/multimedia/"))
        parts.append(QStringLiteral("backend plugin"));
    QStringList threads;
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        threads.append(
            QString::fromLatin1(readAll(QStringLiteral("/proc/self/task/%1/comm").arg(task)).trimmed()));
    if (threads.contains(QStringLiteral("threaded-ml")))
        parts.append(QStringLiteral("sound-server client"));
    if (std::any_of(threads.cbegin(), threads.cend(),
                    [](const QString& name) { return name.startsWith(QStringLiteral("QSampleCache")); }))
        parts.append(QStringLiteral("sample cache"));
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(" + "));
}

// Milliseconds of each run of the bare command lines, taken in turn.
Figures shellFloor(const QStringList& commandLines, int runs) {
    QList<double> samples;
    for (int run = 0; run < runs; ++run) {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"), commandLines.at(run % commandLines.size())});
        process.waitForFinished(20'000);
        if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            samples.append(timer.nsecsElapsed() / 1e6);
    }
    return figuresOf(samples);
}

struct Camera {
    QString mac;
    QString ip;
    QStringList radiosUntilItsOwn;
};
const QList<Camera> cameras{
    {cameraA, QStringLiteral("10.77.0.51"), {QStringLiteral("wlan0"), QStringLiteral("wlan1")}},
    {cameraB, QStringLiteral("10.77.0.52"), {QStringLiteral("wlan0")}}};

// Each camera's poll done bare in one round trip over the master the program
// brought up (and, for GL.iNet, the client-list request beside it): the least
// the transport allows.
QStringList floorCommands(const QString& family, const QString& runDirectory) {
    QStringList commands;
    for (const Camera& camera : cameras) {
        const QString ping = QStringLiteral("ping -c 1 %1 >/dev/null 2>&1 & sleep 0.05; ").arg(camera.ip);
        if (family == RouterFamily::glinet) {
            const QString address = qEnvironmentVariable("VELTRANO_LAB_GLINET");
            QString remote = ping + QStringLiteral("ubus call iwinfo devices");
            for (const QString& radio : camera.radiosUntilItsOwn)
                remote +=
                    QStringLiteral("; ubus call iwinfo assoclist '{\\\"device\\\":\\\"%1\\\"}'").arg(radio);
            commands.append(
                QStringLiteral(
                    "curl -sk -o /dev/null --max-time 5 -X POST -H 'Content-Type: application/json' "
                    "--data '{\"jsonrpc\":\"2.0\",\"method\":\"call\",\"params\":[\"x\",\"clients\","
                    "\"get_list\",{}],\"id\":2}' http://%1/rpc; ssh -S %2/veltrano-ssh-control root@%1 "
                    "\"%3\" >/dev/null")
                    .arg(address, runDirectory, remote));
            continue;
        }
        const QString accessPoint = qEnvironmentVariable("VELTRANO_LAB_AP");
        commands.append(
            QStringLiteral("ssh -S %1/veltrano-ap-ssh-control-%2 root@%2 '%3for iface in wifi0ap0 "
                           "wifi1ap2 wifi2ap5 wifi0ap1 wifi1ap3 wifi2ap6; do out=$(hostapd_cli -p "
                           "/var/run/hostapd -i $iface sta %4 2>/dev/null); [ \"$out\" != \"FAIL\" ] && "
                           "[ -n \"$out\" ] && printf \"%s\" \"$out\" && break; done' >/dev/null")
                .arg(runDirectory, accessPoint, ping, camera.mac.toLower()));
    }
    return commands;
}

} // namespace

int main(int argc, char** argv) {
    TestEnvironment::prepareProcess();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    if (qEnvironmentVariable("VELTRANO_LAB") != QStringLiteral("1") || argc < 4) {
        out << "Run inside the router lab: bench/poll-cost BUILD_DIR\n";
        return 2;
    }
    const QString family = QString::fromUtf8(argv[1]);
    const int warmUp = QString::fromUtf8(argv[2]).toInt();
    const int seconds = QString::fromUtf8(argv[3]).toInt();
    const QString usageFile = argc > 4 ? QString::fromUtf8(argv[4]) : QString();
    const QString address =
        qEnvironmentVariable(family == RouterFamily::glinet ? "VELTRANO_LAB_GLINET" : "VELTRANO_LAB_UNIFI");

    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    LaunchDefaults::registerAbsentDefaults(settings);
    settings.writeString(SettingsKey::routerIP, address);
    settings.writeString(SettingsKey::detectedRouterType, family);
    settings.writeString(SettingsKey::routerUsername, qEnvironmentVariable("VELTRANO_LAB_USERNAME"));
    settings.writeBool(SettingsKey::routerConnected, true);
    settings.writeString(SettingsKey::targetMAC, cameraA);
    settings.writeString(SettingsKey::targetMAC2, cameraB);

    QuietLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    OnePassword credentials{qEnvironmentVariable("VELTRANO_LAB_PASSWORD")};
    const QString runDirectory = environment.path(QStringLiteral("run"));
    SystemClock clock;
    Nl80211WirelessLink link{logger};
    LinuxGatewaySource gateways{link};
    RouterManager manager{settings, credentials, logger, gateways, runDirectory};
    TimedRouter router{manager};
    NetlinkNetworkEvents networkEvents{logger};
    LoadedSoundPlayer soundPlayer{{QStringLiteral(VELTRANO_SOUND_MODULE)}};
    MenuManager menu{settings};
    TrayStatusItem statusItem{menu.menu()};
    SessionLog sessionLog{std::nullopt, [&] { return clock.now(); }};
    FloatingSignalState floating;
    SignalHistory history{HistoryDatabase::defaultFilePath(), settings, clock};
    WiFiMonitor monitor{MonitorContext{settings, router, link, networkEvents, statusItem, menu, soundPlayer,
                                       clock, sessionLog, floating, logger}};
    QObject::connect(&monitor, &WiFiMonitor::readingTaken, &history, &SignalHistory::record);
    const SettingsWakeUpScope settingsWakeUps{settings, *QAbstractEventDispatcher::instance()};
    statusItem.show();
    monitor.start();

    double cpuAtStart = 0;
    double ownCpuAtStart = 0;
    qint64 tasksAtStart = 0;
    QMap<QString, qint64> wakeUpsAtStart;
    QTimer::singleShot(std::chrono::seconds(warmUp), [&] {
        wakeUpsAtStart = wakeUpsByTask();
        cpuAtStart = cpuSeconds(usageFile);
        ownCpuAtStart = ownCpuSeconds();
        tasksAtStart = lastPid();
        router.measuring = true;
    });
    QTimer::singleShot(std::chrono::seconds(warmUp + seconds), [&] {
        const double cpu = cpuSeconds(usageFile) - cpuAtStart;
        const double ownCpu = ownCpuSeconds() - ownCpuAtStart;
        const qint64 tasks = lastPid() - tasksAtStart;
        const auto [wakeUps, wakeUpsByName] = wakeUpRates(wakeUpsAtStart, wakeUpsByTask(), seconds);
        router.measuring = false;
        const Memory memory = ownMemory();
        const QString sound = soundStack();
        const QHash<QString, QList<double>> samplesByTarget = router.takeSamples();
        QList<double> samples;
        QStringList medianByTarget;
        for (const Camera& camera : cameras) {
            samples += samplesByTarget.value(camera.mac);
            medianByTarget.append(
                QString::number(figuresOf(samplesByTarget.value(camera.mac)).median, 'f', 1));
        }
        const Figures poll = figuresOf(samples);
        monitor.stop();
        const Figures floor = shellFloor(floorCommands(family, runDirectory), 50);
        // cpu% tasks/min polls median p95 floor-median floor-p95 uss-kB dirty-kB medians-by-camera
        // own-cpu% wake-ups/s rss-kB | sound stack | wake-ups/s by task
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13 | %14 | %15\n")
                   .arg(100 * cpu / seconds, 0, 'f', 2)
                   .arg(tasks * 60.0 / seconds, 0, 'f', 1)
                   .arg(samples.size())
                   .arg(poll.median, 0, 'f', 1)
                   .arg(poll.p95, 0, 'f', 1)
                   .arg(floor.median, 0, 'f', 1)
                   .arg(floor.p95, 0, 'f', 1)
                   .arg(memory.unique)
                   .arg(memory.dirty)
                   .arg(medianByTarget.join(QLatin1Char('/')))
                   .arg(100 * ownCpu / seconds, 0, 'f', 2)
                   .arg(wakeUps, 0, 'f', 1)
                   .arg(memory.resident)
                   .arg(sound, wakeUpsByName);
        out.flush();
        manager.endBackgroundWork(std::chrono::milliseconds(1500));
        app.quit();
    });
    return app.exec();
}

#include "FakeSoundPlayer.h"
#include "FakeWirelessLink.h"
#include "RouterLab.h"
#include "TestEnvironment.h"
#include "TestExitStatus.h"
#include "display/FloatingSignalState.h"
#include "display/MenuManager.h"
#include "display/TrayStatusItem.h"
#include "logs/SessionLog.h"
#include "monitor/WiFiMonitor.h"
#include "platform/Clock.h"
#include "platform/NetworkEventSource.h"
#include "router/RouterFamily.h"

#include <QApplication>
#include <QMenu>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>
#include <time.h>

namespace {

const QString cameraA = QStringLiteral("78:F5:05:4A:10:01");

QJsonObject command(const QString& name, const QJsonObject& extra = {}) {
    QJsonObject object = extra;
    object.insert(QStringLiteral("command"), name);
    return object;
}

// The most CPU time one event took on the main thread, from the thread's own
// CPU clock: every piece of the program's work there runs inside an event (a
// timer, a queued call, a socket or a reply), so a long computation of ours is
// what it catches. Wall-clock gaps would count the scheduler's delays and the
// time the host takes the processor away. Gaps between ticks of a timer, tried
// next, also count what the kernel charges the thread while it waits: this
// machine's kernel books interrupt and softirq time to whichever thread it
// interrupts, and gaps with no event of ours in them reached 34 ms of system
// time under a loaded run.
class MeteredApplication : public QApplication {
public:
    using QApplication::QApplication;
    static MeteredApplication& instance() {
        return *static_cast<MeteredApplication*>(QCoreApplication::instance());
    }

    bool notify(QObject* receiver, QEvent* event) override {
        // Events of other threads, and those sent from inside an event, are
        // not an event loop turn of the main thread of their own.
        if (QThread::currentThread() != thread() || depth > 0)
            return QApplication::notify(receiver, event);
        ++depth;
        const qint64 started = threadCpuNs();
        const bool handled = QApplication::notify(receiver, event);
        longest = std::max(longest, threadCpuNs() - started);
        --depth;
        return handled;
    }
    void restart() { longest = 0; }
    double largestStallMs() const { return static_cast<double>(longest) / 1e6; }

private:
    static qint64 threadCpuNs() {
        timespec used{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
        return qint64(used.tv_sec) * 1'000'000'000 + used.tv_nsec;
    }

    int depth = 0;
    qint64 longest = 0;
};

// The tray item as the program shows it, keeping the tooltip it last gave the panel.
class ShownTrayStatusItem : public TrayStatusItem {
public:
    using TrayStatusItem::TrayStatusItem;
    QString toolTip;

protected:
    void applyToolTip(const QString& text) override {
        toolTip = text;
        TrayStatusItem::applyToolTip(text);
    }
};

// One fault and what the tray must show for it. `shown` is the state line's
// value and part of the tooltip; `code` starts an event's code and detail.
struct FaultRow {
    const char* fault;
    QList<QJsonObject> commands;
    QString shown;
    QString code;
    int deadlineMs;
    std::function<void(const RouterLab&)> alsoApply = {};
    std::function<void(RouterLab&, RouterRig&)> alsoClear = {};
    // Logged once the fault is mended, where the state alone does not tell.
    QString recoveredCode = {};
};

// One family's router followed by the monitor as the tray application builds
// it (real menu, real tray item), through one fault after another.
class FaultMatrixTest : public LabTest {
protected:
    // `pollKind` tells the poll's requests in the simulator's log; the rows
    // start once `readyCode`, if any, was logged.
    void runMatrix(const QString& address, const QString& family, const QString& pollKind,
                   const QList<FaultRow>& rows, const QString& readyCode = {}) {
        rig.useRouter(address, family, lab);
        rig.settings.writeBool(SettingsKey::debugLogging, true);
        rig.settings.writeString(SettingsKey::targetMAC, cameraA);
        ASSERT_TRUE(rig.connectRouter());
        rig.settings.writeBool(SettingsKey::routerConnected, true);
        MenuManager menu(rig.settings);
        ShownTrayStatusItem statusItem(menu.menu());
        FakeWirelessLink link;
        NetworkEventSource networkEvents;
        FakeSoundPlayer sound;
        SystemClock clock;
        SessionLog sessionLog{std::nullopt, [&clock] { return clock.now(); }};
        FloatingSignalState floating;
        WiFiMonitor monitor(MonitorContext{rig.settings, rig.router, link, networkEvents, statusItem, menu,
                                           sound, clock, sessionLog, floating, rig.logger});
        const auto stateLine = [&] {
            for (const QAction* action : menu.menu()->actions())
                if (action->isVisible() && action->text().startsWith(QStringLiteral("State: ")))
                    return action->text().mid(7);
            return QString();
        };
        const auto logged = [&](const QString& code) {
            const QList<DebugEntry>& events = rig.debugLog.entries();
            return code.isEmpty() ||
                   std::any_of(events.cbegin(), events.cend(), [&](const DebugEntry& entry) {
                       return (rawValue(entry.code) + u' ' + entry.detail).startsWith(code);
                   });
        };
        const auto shows = [&](const QString& state, const QString& code = {}) {
            return stateLine() == state && statusItem.toolTip.contains(state) && logged(code);
        };
        const auto settle = [&] {
            lab.control(address, command(QStringLiteral("reset")));
            lab.control(address, command(QStringLiteral("set"),
                                         {{QStringLiteral("mac"), cameraA}, {QStringLiteral("rssi"), -50}}));
        };
        MeteredApplication& meter = MeteredApplication::instance();
        settle();
        monitor.start();
        ASSERT_TRUE(waitUntil([&] { return shows(QStringLiteral("Excellent"), readyCode); }, 30'000));

        for (const FaultRow& row : rows) {
            SCOPED_TRACE(row.fault);
            rig.debugLog.setEntries({});
            QElapsedTimer elapsed;
            elapsed.start();
            for (const QJsonObject& fault : row.commands)
                lab.control(address, fault);
            if (row.alsoApply)
                row.alsoApply(lab);
            // What the test itself did on this thread so far is not the program's.
            meter.restart();
            const bool shown = waitUntil([&] { return shows(row.shown, row.code); }, row.deadlineMs);
            const qint64 shownAfter = elapsed.elapsed();
            const QString shownState = stateLine();
            EXPECT_TRUE(shown) << stateLine().toStdString() << " / " << statusItem.toolTip.toStdString()
                               << (logged(row.code) ? "" : " / not logged: ") << row.code.toStdString();
            const double stallMs = meter.largestStallMs();
            EXPECT_LE(stallMs, 16.0);
            const int inFlight = lab.mostRequestsAtOnce(address, pollKind);
            EXPECT_LE(inFlight, 1);

            rig.debugLog.setEntries({});
            settle();
            if (row.alsoClear)
                row.alsoClear(lab, rig);
            EXPECT_TRUE(
                waitUntil([&] { return shows(QStringLiteral("Excellent"), row.recoveredCode); }, 40'000))
                << "recovery: " << stateLine().toStdString();
            // A line of the matrix for whoever reads the run.
            std::printf("| %s | %s | %s | %.1f s | %s | %d | %.1f ms |\n", qPrintable(family), row.fault,
                        qPrintable(shownState), static_cast<double>(shownAfter) / 1000, qPrintable(row.code),
                        inFlight, stallMs);
            std::fflush(stdout);
        }
        monitor.stop();
    }
};

const QString unreachable = QStringLiteral("Router unreachable");
const QString offline = QStringLiteral("Offline");
const QString sshDown = QStringLiteral("Router SSH not answering");
// The health probe's two failures, 8 s apart after up to 8 s, each allowed 3 s.
constexpr int probesFail = 2 * 8000 + 3000 + 2000;
// A poll, an answer and the hand-over.
constexpr int nextPoll = 3000;

FaultRow stormRow(const char* fault, const char* style, const QString& shown, const QString& code,
                  int deadlineMs) {
    return {
        fault,
        {command(QStringLiteral("expireSessions"),
                 {{QStringLiteral("storm"), true}, {QStringLiteral("style"), QString::fromLatin1(style)}})},
        shown,
        code,
        deadlineMs};
}

// The session ends and the password no longer opens a new one, until the user
// connects again with the right one.
FaultRow wrongPasswordRow(const QString& code) {
    return {"wrong password",
            {command(QStringLiteral("rejectPassword")), command(QStringLiteral("expireSessions"))},
            offline,
            code,
            nextPoll,
            {},
            [](RouterLab&, RouterRig& rig) { rig.connectRouter(); }};
}

FaultRow otherCertificateRow(const QString& endpoint) {
    return {"changed certificate",
            {command(QStringLiteral("certificate"),
                     {{QStringLiteral("cert"), qEnvironmentVariable("VELTRANO_LAB_OTHER_CERT")},
                      {QStringLiteral("key"), qEnvironmentVariable("VELTRANO_LAB_OTHER_KEY")}})},
            unreachable,
            QStringLiteral("VT-2003 identity-changed ") + endpoint,
            probesFail};
}

// Faults of the router's web side that every family meets alike: each ends
// with the router unreachable, its health probe failing too.
QList<FaultRow> webFaults() {
    const auto row = [](const char* fault, const char* name, const QJsonObject& extra = {}) {
        return FaultRow{fault,
                        {command(QString::fromLatin1(name), extra)},
                        unreachable,
                        QStringLiteral("VT-4008"),
                        probesFail};
    };
    const auto delay = [](int ms) { return QJsonObject{{QStringLiteral("value"), ms}}; };
    return {row("HTML error page with 200", "malformed"),
            row("malformed JSON", "malformed", {{QStringLiteral("style"), QStringLiteral("cut")}}),
            row("slow answer, 5 s", "delayMs", delay(5000)),
            row("slow answer, 30 s", "delayMs", delay(30000)),
            row("silence", "silent"),
            row("connection reset mid-body", "resetMidBody"),
            row("oversized body (17 MiB)", "padTo", {{QStringLiteral("bytes"), 17 * 1024 * 1024}})};
}

// The ssh side's faults: the master dies while sshd, stopped, cannot give
// another; the master's session stops answering while the master still answers
// its control socket (a hung sshd, a black-holed path), until a batch misses its
// 5 s deadline; and a new host key, as a replaced router has, with every session gone.
QList<FaultRow> sshFaults(const QString& address) {
    return {
        {"SSH master dies",
         {},
         sshDown,
         QStringLiteral("VT-1004"),
         12'000,
         [](const RouterLab& lab) {
             lab.signalSshd(SIGSTOP);
             RouterLab::killSshMasters();
         },
         [](RouterLab& lab, RouterRig&) { lab.signalSshd(SIGCONT); }},
        {"SSH master wedged",
         {},
         sshDown,
         QStringLiteral("VT-1005"),
         nextPoll + 5000,
         [](const RouterLab& lab) { lab.signalSshdSessions(SIGSTOP); },
         [](RouterLab& lab, RouterRig&) { lab.signalSshdSessions(SIGCONT); }},
        {"changed host key",
         {},
         sshDown,
         QStringLiteral("VT-2003 host-key-changed ") + address,
         15'000,
         [](const RouterLab& lab) { lab.rekeySshd(); },
         [](RouterLab& lab, RouterRig&) { lab.restoreSshdKey(); }},
    };
}

TEST_F(FaultMatrixTest, GlinetRouter) {
    const QString refused = QStringLiteral("VT-4002 Offline");
    runMatrix(lab.glinet, RouterFamily::glinet, QStringLiteral("\"call\""),
              webFaults() + sshFaults(lab.glinet) +
                  QList<FaultRow>{stormRow("-32000 storm", "rpcError", offline, refused, nextPoll),
                                  stormRow("401 storm", "http401", offline, refused, nextPoll),
                                  wrongPasswordRow(QStringLiteral("VT-2003"))});
}

// The access point's sshd is stopped, so every poll reads the console's station
// list; a poll may first wait out one master start (5 s) before falling back.
TEST_F(FaultMatrixTest, UniFiConsole) {
    lab.signalSshd(SIGSTOP);
    FaultRow refused = wrongPasswordRow(QStringLiteral("VT-2003 ") + lab.uniFi);
    refused.deadlineMs += 5000;
    // Another host takes the console's address and answers as a GL.iNet router
    // on HTTP and SSH alone. The monitor stays with the console it logged in
    // to, and the settings window's detection, opened meanwhile, refuses the
    // family it now finds.
    const FaultRow familySwitched{
        "family switched at a pinned address",
        {command(QStringLiteral("impersonate"), {{QStringLiteral("family"), RouterFamily::glinet}})},
        unreachable,
        QStringLiteral("VT-2003 family-changed ") + lab.uniFi,
        probesFail,
        [this](const RouterLab& lab) { EXPECT_TRUE(rig.detect(lab.uniFi).refusal.has_value()); },
        [](RouterLab&, RouterRig& rig) {
            EXPECT_EQ(rig.settings.readString(SettingsKey::detectedRouterType), RouterFamily::unifi);
        }};
    runMatrix(lab.uniFi, RouterFamily::unifi, QStringLiteral("stat/sta"),
              webFaults() + QList<FaultRow>{stormRow("401 storm", "http401", offline,
                                                     QStringLiteral("VT-4002 Offline"), nextPoll + 5000),
                                            refused, otherCertificateRow(lab.uniFi + QStringLiteral(":443")),
                                            familySwitched});
}

// The access point's faults fall back to the console's station list without a
// word to the user: the reading stays, the log tells, and the next master comes up.
TEST_F(FaultMatrixTest, UniFiAccessPoint) {
    const QString accessPoint = qEnvironmentVariable("VELTRANO_LAB_AP");
    QList<FaultRow> rows = sshFaults(accessPoint);
    for (FaultRow& row : rows) {
        row.shown = QStringLiteral("Excellent");
        row.recoveredCode = QStringLiteral("VT-1002");
    }
    rows[0].code = QStringLiteral("VT-1003");
    runMatrix(lab.uniFi, RouterFamily::unifi, QStringLiteral("stat/sta"), rows,
              QStringLiteral("VT-3002 ap:") + accessPoint);
}

TEST_F(FaultMatrixTest, PeplinkRouter) {
    runMatrix(lab.peplink, RouterFamily::peplink, QStringLiteral("status.client"),
              webFaults() + QList<FaultRow>{stormRow("401 storm", "http401", unreachable,
                                                     QStringLiteral("VT-4008"), probesFail),
                                            wrongPasswordRow(QStringLiteral("VT-2003 token grant")),
                                            otherCertificateRow(lab.peplink + QStringLiteral(":443"))});
}

} // namespace

int main(int argc, char** argv) {
    TestEnvironment::prepareProcess();
    MeteredApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return testExitStatus(RUN_ALL_TESTS());
}

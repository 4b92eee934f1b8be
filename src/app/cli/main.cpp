#include "app/CommandLine.h"
#include "app/DemoMonitorPlatform.h"
#include "app/DemoProfile.h"
#include "app/LinuxMonitorPlatform.h"
#include "app/cli/ExplainCommand.h"
#include "app/cli/GatewaysCommand.h"
#include "app/cli/HistoryCommand.h"
#include "app/cli/LinkCommand.h"
#include "app/cli/PasswordCommand.h"
#include "app/cli/PreflightCommand.h"
#include "app/cli/RouterCommand.h"
#include "app/cli/SessionLogCommand.h"
#include "app/cli/SettingsCommand.h"
#include "app/cli/TrustCommand.h"
#include "app/cli/VendorCommand.h"
#include "app/cli/WatchCommand.h"
#include "display/SignalChartPainter.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "logs/HistoryDatabase.h"
#include "logs/SessionLog.h"
#include "platform/Clock.h"
#include "platform/CoreDumps.h"
#include "platform/InstanceLock.h"
#include "platform/LinuxComputerReaders.h"
#include "platform/LinuxGatewaySource.h"
#include "platform/Nl80211WirelessLink.h"
#include "platform/RuntimeFolder.h"
#include "platform/TerminationSignals.h"
#include "router/GatewayDiscovery.h"
#include "router/RouterManager.h"
#include "router/identity/RouterIdentityStore.h"
#include "router/keyring/SecretServiceCredentialStore.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSaveFile>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

const QString usage = QStringLiteral(
    "usage: veltrano-cli [--debug-log FILE] COMMAND [ARGUMENTS]; veltrano-cli --help lists the commands");

const QString debugLogFlag = QStringLiteral("--debug-log");

const QString commands =
    QStringLiteral("Commands:\n"
                   "  settings list | get KEY | set KEY VALUE | unset KEY\n"
                   "                       read or change the program's settings\n"
                   "  explain RSSI RATE [--json]\n"
                   "                       classify one reading (RSSI in dBm, transmit rate in Mbit/s)\n"
                   "  session-log [--json] print the stored session log\n"
                   "  history [--since TIME] [--until TIME] [--json] [--rows]\n"
                   "                       the signal history's incidents, or with --rows every reading;\n"
                   "                       TIME is a local time such as 2026-12-09T14:00 (an offset may\n"
                   "                       follow) or how long ago: 15m, 2h, 3d; the 24 hours up to\n"
                   "                       --until (now) by default\n"
                   "  report [--since TIME] [--until TIME]\n"
                   "         [--html FILE | --png FILE | --csv FILE | --json]\n"
                   "                       the signal history as a self-contained HTML page with charts,\n"
                   "                       the charts as a picture, the readings as CSV (the router's\n"
                   "                       outages are in the JSON) or all of it as JSON; without a form,\n"
                   "                       the incidents as history prints them\n"
                   "  link                 read the computer's own Wi-Fi link once\n"
                   "  preflight [--json] [--camera ADDRESS]...\n"
                   "                       check this computer and its Wi-Fi for tethering; each\n"
                   "                       --camera is a camera's IP address to try\n"
                   "  password set | delete | status\n"
                   "                       the router password kept in the keyring for routerIP;\n"
                   "                       set reads it from standard input\n"
                   "  gateways             the router addresses this computer's routes lead to\n"
                   "  detect ADDRESS       which router family answers at ADDRESS\n"
                   "  connect              log in to the router with the stored settings and password\n"
                   "  clients [--json]     the router's wireless clients\n"
                   "  client MAC [--json]  one client's row as the monitor gets it, radio data included\n"
                   "  model                the router's model name\n"
                   "  trust list | forget ADDRESS\n"
                   "                       the certificates and host keys the routers have shown; forget\n"
                   "                       those of ADDRESS after its router was replaced or reset\n"
                   "  vendor MAC           the camera maker and name shown for a MAC address\n"
                   "  watch [--demo] [--count N] [--no-colour]\n"
                   "                       run the monitor in the terminal, one line per poll; --demo\n"
                   "                       watches two scripted cameras in a temporary profile");

// The monitor without a tray. While the tray program runs it owns the session log
// file, so a watch beside it keeps its session-log lines in memory. The demo
// keeps to its own profile and never takes the lock.
int watch(QStringList args, const std::optional<DemoProfile>& demoProfile, QTextStream& out,
          QTextStream& err) {
    const std::optional<InstanceLock> instance =
        demoProfile ? std::nullopt : InstanceLock::acquire(InstanceLock::defaultPath());
    std::optional<SessionLog> privateLog;
    std::optional<DemoMonitorPlatform> demoPlatform;
    std::optional<LinuxMonitorPlatform> linuxPlatform;
    if (demoProfile) {
        args.removeAll(QStringLiteral("--demo"));
        if (!demoProfile->isValid()) {
            err << "veltrano-cli watch: the demo cannot make its temporary profile\n";
            return 1;
        }
        DemoProfile::writeSettings(SettingsStore::shared(), DemoTimeline::builtIn());
    } else if (!instance) {
        err << "veltrano-cli watch: veltrano is running; this watch writes nothing to the session log\n";
        privateLog.emplace(std::nullopt);
    }
    const MonitorPlatform platform =
        demoProfile ? demoPlatform.emplace().pieces() : linuxPlatform.emplace().pieces();
    SystemClock clock;
    WatchContext context{SettingsStore::shared(),
                         platform.router,
                         platform.link,
                         platform.networkEvents,
                         privateLog ? *privateLog : SessionLog::shared(),
                         clock,
                         EventLogger::shared(),
                         demoProfile.has_value()};
    return runWatchCommand(args, context, ::isatty(STDOUT_FILENO) == 1, out, err);
}

const QStringList routerCommands = {QStringLiteral("gateways"), QStringLiteral("detect"),
                                    QStringLiteral("connect"),  QStringLiteral("clients"),
                                    QStringLiteral("client"),   QStringLiteral("model")};

int runRouterCommand(const QString& command, const QStringList& args, QTextStream& out, QTextStream& err) {
    EventLogger& logger = EventLogger::shared();
    const Nl80211WirelessLink link(logger);
    const LinuxGatewaySource gateways(link);
    SecretServiceCredentialStore credentials;
    SettingsStore& settings = SettingsStore::shared();
    RouterManager router(settings, credentials, logger, gateways);
    if (command == QStringLiteral("gateways"))
        return runGatewaysCommand(args, router.gatewayOptions(), out, err);
    if (command == QStringLiteral("detect"))
        return runDetectCommand(args, router, settings, out, err);
    if (command == QStringLiteral("connect"))
        return runConnectCommand(args, router, settings, out, err);
    if (command == QStringLiteral("clients"))
        return runClientsCommand(args, router, out, err);
    if (command == QStringLiteral("client"))
        return runClientCommand(args, router, out, err);
    return runModelCommand(args, router, out, err);
}

int runCommand(const QString& command, QStringList args, const std::optional<DemoProfile>& demoProfile,
               const QCommandLineParser& parser, QTextStream& out, QTextStream& err) {
    if (command == QStringLiteral("settings"))
        return runSettingsCommand(args, SettingsStore::shared(), out, err);
    if (command == QStringLiteral("explain"))
        return runExplainCommand(args, out, err);
    if (command == QStringLiteral("link"))
        return runLinkCommand(args, Nl80211WirelessLink(EventLogger::shared()), out, err);
    if (command == QStringLiteral("preflight")) {
        const Nl80211WirelessLink link(EventLogger::shared());
        const LinuxGatewaySource gateways(link);
        return runPreflightCommand(
            args, linuxComputerReaders(), link,
            [&gateways](const QString& ip) { return isOnLocalSubnet(ip, gateways.interfaceAddresses()); },
            out, err);
    }
    if (command == QStringLiteral("password")) {
        QTextStream in(stdin);
        SecretServiceCredentialStore store;
        return runPasswordCommand(args, SettingsStore::shared(), store, in, ::isatty(STDIN_FILENO) == 1, out,
                                  err);
    }
    if (routerCommands.contains(command))
        return runRouterCommand(command, args, out, err);
    if (command == QStringLiteral("trust")) {
        return runTrustCommand(args, SettingsStore::shared(), out, err);
    }
    if (command == QStringLiteral("vendor"))
        return runVendorCommand(args, SettingsStore::shared(), out, err);
    if (command == QStringLiteral("watch"))
        return watch(args, demoProfile, out, err);
    if (command == QStringLiteral("session-log"))
        return runSessionLogCommand(args, SessionLog::defaultFilePath(), out, err);
    if (command == QStringLiteral("report") || command == QStringLiteral("history")) {
        const HistoryCommandContext context{HistoryDatabase::defaultFilePath(), SettingsStore::shared(),
                                            QDateTime::currentMSecsSinceEpoch(), &SignalChartPainter::png};
        return command == QStringLiteral("report") ? runReportCommand(args, context, out, err)
                                                   : runHistoryCommand(args, context, out, err);
    }
    if (command == QStringLiteral("help")) {
        out << parser.helpText();
        return 0;
    }
    err << "veltrano-cli: unknown command \"" << command << "\"\n" << usage << '\n';
    return 2;
}

// The debug log window's Save, for one command: the log lives only as long as
// this process.
bool saveDebugLog(const QString& path) {
    DebugLog& log = DebugLog::shared();
    // Entries from the command's background threads may still be on their way.
    QCoreApplication::sendPostedEvents(&log, QEvent::MetaCall);
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(debugMarkdown(log.entries()).toUtf8()) != -1 &&
           file.commit();
}

// Where the command stands in argv, behind the --debug-log option if that comes first.
int commandIndex(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]).startsWith(debugLogFlag.toLatin1() + '='))
        return 2;
    return argc > 2 && debugLogFlag == QLatin1String(argv[1]) ? 3 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (!CoreDumps::turnOff())
        std::fputs("veltrano-cli: core dumps could not be turned off\n", stderr);
    // Ctrl-C ends a watch through its clean path; the mask must be set before any
    // thread starts so that every thread inherits it.
    const int commandAt = commandIndex(argc, argv);
    const bool watching = argc > commandAt && qstrcmp(argv[commandAt], "watch") == 0;
    if (watching)
        TerminationSignals::blockInThisThread();
    RuntimeFolder::provideWhenUnset();
    // Before QCoreApplication, which is the first to read the XDG folders.
    std::optional<DemoProfile> demoProfile;
    if (watching && std::any_of(argv + commandAt + 1, argv + argc,
                                [](const char* arg) { return qstrcmp(arg, "--demo") == 0; }))
        demoProfile.emplace();

    // Only drawing the charts needs Qt Gui, and never a display.
    const bool drawing = argc > commandAt && qstrcmp(argv[commandAt], "report") == 0 &&
                         std::any_of(argv + commandAt + 1, argv + argc,
                                     [](const char* arg) { return qstrcmp(arg, "--png") == 0; });
    if (drawing)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app = drawing ? std::make_unique<QGuiApplication>(argc, argv)
                                                          : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veltrano-cli"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine commandLine(usage);
    QCommandLineParser& parser = commandLine.parser;
    parser.setApplicationDescription(commands);
    const QCommandLineOption debugLogOption(
        debugLogFlag.sliced(2),
        QStringLiteral("while the debugLogging setting is on, save the command's debug log to FILE "
                       "when it ends, as the debug log window saves it"),
        QStringLiteral("FILE"));
    parser.addOption(debugLogOption);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("one of the commands above"),
                                 QStringLiteral("COMMAND [ARGUMENTS]"));
    // What follows the command is the command's own.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (const std::optional<int> status = commandLine.parse(QCoreApplication::arguments(), out, err))
        return *status;
    QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        err << usage << '\n';
        return 2;
    }

    const QString command = args.takeFirst();
    const int status = runCommand(command, args, demoProfile, parser, out, err);
    if (!parser.isSet(debugLogOption) || saveDebugLog(parser.value(debugLogOption)))
        return status;
    err << "veltrano-cli: the debug log could not be saved to " << parser.value(debugLogOption) << '\n';
    return status == 0 ? 1 : status;
}

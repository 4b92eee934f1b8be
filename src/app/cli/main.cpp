#include "app/SettingsStore.h"
#include "app/cli/ExplainCommand.h"
#include "app/cli/GatewaysCommand.h"
#include "app/cli/LinkCommand.h"
#include "app/cli/PasswordCommand.h"
#include "app/cli/RouterCommand.h"
#include "app/cli/SessionLogCommand.h"
#include "app/cli/SettingsCommand.h"
#include "app/cli/TrustCommand.h"
#include "app/cli/VendorCommand.h"
#include "app/cli/WatchCommand.h"
#include "logs/EventLogger.h"
#include "logs/SessionLog.h"
#include "platform/Clock.h"
#include "platform/InstanceLock.h"
#include "platform/LinuxGatewaySource.h"
#include "platform/NetlinkNetworkEvents.h"
#include "platform/Nl80211WirelessLink.h"
#include "platform/TerminationSignals.h"
#include "router/RouterManager.h"
#include "router/identity/RouterIdentityStore.h"
#include "router/keyring/SecretServiceCredentialStore.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

namespace {

void printUsage(QTextStream& stream) {
    stream << "Usage: veltrano-cli COMMAND [ARGUMENTS]\n"
              "\n"
              "Commands:\n"
              "  settings list | get KEY | set KEY VALUE | unset KEY\n"
              "                       read or change the program's settings\n"
              "  explain RSSI RATE [--json]\n"
              "                       classify one reading (RSSI in dBm, transmit rate in Mbit/s)\n"
              "  session-log [--json] print the stored session log\n"
              "  link                 read the computer's own Wi-Fi link once\n"
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
              "  watch [--count N] [--no-colour]\n"
              "                       run the monitor in the terminal, one line per poll\n";
}

// The monitor without a tray. While the tray program runs it owns the session log
// file, so a watch beside it keeps its session-log lines in memory.
int watch(const QStringList& args, QTextStream& out, QTextStream& err) {
    const std::optional<InstanceLock> instance = InstanceLock::acquire(InstanceLock::defaultPath());
    std::optional<SessionLog> privateLog;
    if (!instance) {
        err << "veltrano-cli watch: veltrano is running; this watch writes nothing to the session log\n";
        privateLog.emplace(std::nullopt);
    }
    EventLogger& logger = EventLogger::shared();
    Nl80211WirelessLink link(logger);
    const LinuxGatewaySource gateways(link);
    SecretServiceCredentialStore credentials;
    RouterManager router(SettingsStore::shared(), credentials, logger, gateways);
    NetlinkNetworkEvents networkEvents(logger);
    SystemClock clock;
    WatchContext context{SettingsStore::shared(),
                         router,
                         link,
                         networkEvents,
                         privateLog ? *privateLog : SessionLog::shared(),
                         clock,
                         logger};
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

} // namespace

int main(int argc, char** argv) {
    // Ctrl-C ends a watch through its clean path; the mask must be set before any
    // thread starts so that every thread inherits it.
    if (argc > 1 && qstrcmp(argv[1], "watch") == 0)
        TerminationSignals::blockInThisThread();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veltrano-cli"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        printUsage(err);
        return 2;
    }

    const QString command = args.takeFirst();
    if (command == QStringLiteral("settings"))
        return runSettingsCommand(args, SettingsStore::shared(), out, err);
    if (command == QStringLiteral("explain"))
        return runExplainCommand(args, out, err);
    if (command == QStringLiteral("link"))
        return runLinkCommand(args, Nl80211WirelessLink(EventLogger::shared()), out, err);
    if (command == QStringLiteral("password")) {
        QTextStream in(stdin);
        SecretServiceCredentialStore store;
        return runPasswordCommand(args, SettingsStore::shared(), store, in, ::isatty(STDIN_FILENO) == 1, out,
                                  err);
    }
    if (routerCommands.contains(command))
        return runRouterCommand(command, args, out, err);
    if (command == QStringLiteral("trust")) {
        RouterIdentityStore identities = RouterIdentityStore::beside(SettingsStore::shared());
        return runTrustCommand(args, identities, out, err);
    }
    if (command == QStringLiteral("vendor"))
        return runVendorCommand(args, SettingsStore::shared(), out, err);
    if (command == QStringLiteral("watch"))
        return watch(args, out, err);
    if (command == QStringLiteral("session-log"))
        return runSessionLogCommand(args, SessionLog::defaultFilePath(), out, err);
    if (command == QStringLiteral("help") || command == QStringLiteral("--help") ||
        command == QStringLiteral("-h")) {
        printUsage(out);
        return 0;
    }
    err << "veltrano-cli: unknown command \"" << command << "\"\n\n";
    printUsage(err);
    return 2;
}

#include "BuildInfo.h"
#include "app/CommandLine.h"
#include "app/DemoMonitorPlatform.h"
#include "app/DemoProfile.h"
#include "app/DesktopShellWindows.h"
#include "app/InstanceMessages.h"
#include "app/LinuxMonitorPlatform.h"
#include "app/ShellRequest.h"
#include "app/TrayApplication.h"
#include "app/UninstallWipe.h"
#include "display/FloatingSignalState.h"
#include "logs/DebugLog.h"
#include "logs/HistoryDatabase.h"
#include "logs/SessionLog.h"
#include "logs/SignalHistory.h"
#include "platform/Clock.h"
#include "platform/CoreDumps.h"
#include "platform/InstanceLock.h"
#include "platform/RuntimeFolder.h"
#include "platform/TerminationSignals.h"
#include "router/ssh/PrivateRuntimeDirectory.h"
#include "router/ssh/SshLeftovers.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

const QString usage =
    QStringLiteral("usage: veltrano [--demo] [--preferences | --session-log | --signal-history]");

// The exit status when the command line ends the launch (help, version or a
// mistake, already printed); otherwise `request` holds the window asked for.
std::optional<int> readCommandLine(std::optional<ShellRequest>& request) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine commandLine(usage);
    QCommandLineParser& parser = commandLine.parser;
    parser.setApplicationDescription(
        QStringLiteral("Watches the Wi-Fi link of tethered cameras from the system tray."));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Watch two scripted cameras on a built-in router, in a "
                       "temporary profile: nothing is sent, nothing of yours is read."));
    const QCommandLineOption preferences(QStringLiteral("preferences"),
                                         QStringLiteral("Open the settings window, in the copy that runs."));
    const QCommandLineOption sessionLog(QStringLiteral("session-log"),
                                        QStringLiteral("Open the Session Log, in the copy that runs."));
    const QCommandLineOption signalHistory(QStringLiteral("signal-history"),
                                           QStringLiteral("Open the Signal History, in the copy that runs."));
    parser.addOptions({demo, preferences, sessionLog, signalHistory});
    // Qt has taken its own options out of the arguments by now.
    if (const std::optional<int> status = commandLine.parse(QCoreApplication::arguments(), out, err))
        return status;
    const int windowsAsked =
        int(parser.isSet(preferences)) + int(parser.isSet(sessionLog)) + int(parser.isSet(signalHistory));
    if (!parser.positionalArguments().isEmpty() || windowsAsked > 1) {
        err << "veltrano: give at most one of --preferences, --session-log and --signal-history, and nothing "
               "else\n"
            << usage << '\n';
        return 2;
    }
    if (parser.isSet(preferences))
        request = ShellRequest::preferences;
    if (parser.isSet(sessionLog))
        request = ShellRequest::sessionLog;
    if (parser.isSet(signalHistory))
        request = ShellRequest::signalHistory;
    return std::nullopt;
}

// After an uninstall the run's own files in the runtime folder go too, once
// everything that uses them has ended: made before them, it ends after them.
struct RuntimeLeftovers {
    RuntimeLeftovers() = default;
    RuntimeLeftovers(const RuntimeLeftovers&) = delete;
    RuntimeLeftovers& operator=(const RuntimeLeftovers&) = delete;
    ~RuntimeLeftovers() {
        if (remove)
            UninstallWipe::removeRuntimeFiles(InstanceLock::defaultPath(),
                                              PrivateRuntimeDirectory::defaultPath());
    }
    bool remove = false;
};

bool isArgument(int argc, char** argv, std::initializer_list<const char*> words) {
    return std::any_of(argv + 1, argv + argc, [words](const char* arg) {
        return std::any_of(words.begin(), words.end(),
                           [arg](const char* word) { return qstrcmp(arg, word) == 0; });
    });
}

// Whether Qt will find a platform to draw on. Without one it aborts with advice
// about reinstalling, and leaves behind whatever was made before it.
bool hasDisplay(int argc, char** argv) {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool chosen =
        isArgument(argc, argv, {"-platform", "--platform"}) ||
        (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"));
    return chosen || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The desktop's token for this launch, so that the window it opens may come to
// the front. Read before QApplication, whose X11 backend takes the startup id
// out of the environment.
QByteArray launchActivationToken() {
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    return token.isEmpty() ? qgetenv("DESKTOP_STARTUP_ID") : token;
}

// The desktop maps windows to the desktop entry by this name (the Wayland app
// id) and by the X11 class, which Qt takes from the application name and the
// entry's StartupWMClass repeats. The icon is the installed theme's, or the
// built-in mark where the theme has none, never the desktop's generic one.
void presentAsTheDesktopEntry() {
    const QString appId = QString::fromLatin1(BuildInfo::appId);
    QGuiApplication::setDesktopFileName(appId);
    QApplication::setWindowIcon(QIcon::fromTheme(appId, QIcon(QStringLiteral(":/images/VtSplash.svg"))));
}

// On Wayland sessions too the windows go through XWayland: there the window
// manager honours "Keep on Top" and the read-out's floating hints (GNOME, KDE
// and sway alike), which a Wayland client may only ask of a compositor that
// offers layer-shell. A platform the user chose stays chosen.
void preferX11() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

} // namespace

int main(int argc, char** argv) {
    if (!CoreDumps::turnOff())
        std::fputs("veltrano: core dumps could not be turned off\n", stderr);
    // Before any thread exists, so that every thread inherits the mask and a
    // SIGTERM waits for the clean quit path instead of killing the process.
    TerminationSignals::blockInThisThread();
    std::optional<ShellRequest> request;
    // Answered without a display, which the tray's application object needs.
    const bool textOnly = isArgument(argc, argv, {"-h", "--help", "-?", "--help-all", "-v", "--version"});
    if (textOnly || !hasDisplay(argc, argv)) {
        const QCoreApplication noDisplay(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("veltrano"));
        if (const std::optional<int> status = readCommandLine(request))
            return *status;
        std::fputs(
            "No display: start Veltrano from a desktop session, or run `veltrano-cli watch --demo` in a "
            "terminal\n",
            stderr);
        return 2;
    }
    RuntimeFolder::provideWhenUnset();
    preferX11();
    // Before QApplication, which is the first to read the XDG folders.
    std::optional<DemoProfile> demoProfile;
    if (isArgument(argc, argv, {"--demo"}))
        demoProfile.emplace();
    const QByteArray activationToken = launchActivationToken();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veltrano"));
    QApplication::setOrganizationDomain(QStringLiteral("brightfold.com"));
    QApplication::setQuitOnLastWindowClosed(false);
    presentAsTheDesktopEntry();
    if (const std::optional<int> status = readCommandLine(request))
        return *status;
    QTextStream err(stderr);

    RuntimeLeftovers leftovers;
    std::optional<DemoMonitorPlatform> demoPlatform;
    std::optional<LinuxMonitorPlatform> linuxPlatform;
    std::optional<InstanceMessages> messages;
    const QString socketPath = demoProfile ? QString() : InstanceMessages::defaultPath();
    if (!demoProfile && request && InstanceMessages::send(socketPath, {*request, activationToken}))
        return 0;
    const std::optional<InstanceLock> instance =
        demoProfile ? std::nullopt : InstanceLock::acquire(InstanceLock::defaultPath());
    // Held for the blink of the test only: the demo must never keep the user's
    // own copy from starting.
    const bool besideRunningCopy = demoProfile && !InstanceLock::acquire(InstanceLock::defaultPath());
    if (demoProfile) {
        // The demo runs beside the user's own copy and never speaks to it.
        if (!demoProfile->isValid()) {
            err << "veltrano: the demo cannot make its temporary profile\n";
            return 1;
        }
        DemoProfile::writeSettings(SettingsStore::shared(), DemoTimeline::builtIn());
    } else if (!instance) {
        // A plain launch from the app grid shows the running copy rather than
        // nothing; the running copy chooses the window.
        if (InstanceMessages::send(socketPath, {request.value_or(ShellRequest::activate), activationToken}))
            return 0;
        err << "veltrano: another copy is already running for this user\n";
        return 1;
    } else {
        messages.emplace(socketPath);
        if (!messages->listen())
            err << "veltrano: later launches cannot reach this copy\n";
        // Only the holder of the lock sweeps: no other copy of the tray can be
        // starting a master now, and the command-line program beside it is
        // covered by the age the sweep asks for.
        SshLeftovers::removeStale(PrivateRuntimeDirectory::defaultPath(), QDir::tempPath());
    }
    err.flush();

    const MonitorPlatform platform =
        demoProfile ? demoPlatform.emplace().pieces() : linuxPlatform.emplace().pieces();
    // Made before the windows and the tray, so that it outlives both: the
    // window reads it, the monitor writes it.
    const SystemClock clock;
    SignalHistory history(HistoryDatabase::defaultFilePath(), SettingsStore::shared(), clock);
    DesktopShellWindows windows(SettingsStore::shared(), FloatingSignalState::shared(), SessionLog::shared(),
                                DebugLog::shared(), history, demoProfile.has_value());
    TrayApplication tray(platform, history, demoProfile.has_value());
    tray.setWindows(&windows);
    if (besideRunningCopy)
        tray.sayBesideRunningCopy();
    QObject::connect(&tray, &TrayApplication::finished, &app, &QApplication::quit);
    if (messages)
        QObject::connect(&*messages, &InstanceMessages::requested, &tray, &TrayApplication::open);
    tray.start();
    if (request)
        tray.open(*request);
    const int status = app.exec();
    leftovers.remove = tray.hasWipedData() && !demoProfile;
    return status;
}

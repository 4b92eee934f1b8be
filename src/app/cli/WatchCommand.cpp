#include "app/cli/WatchCommand.h"

#include "app/DemoProfile.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "app/cli/WatchPresenter.h"
#include "display/FloatingSignalState.h"
#include "monitor/WiFiMonitor.h"
#include "platform/Clock.h"
#include "platform/SilentSoundPlayer.h"
#include "platform/TerminationSignals.h"

#include <QEventLoop>
#include <QTimer>
#include <optional>

namespace {

constexpr char usage[] = "usage: veltrano-cli watch [--demo] [--count N] [--no-colour]\n";

struct WatchOptions {
    std::optional<int> count;
    bool colour = true;
};

std::optional<WatchOptions> parseOptions(const QStringList& args, QTextStream& err) {
    WatchOptions options;
    for (qsizetype index = 0; index < args.size(); ++index) {
        const QString& arg = args[index];
        if (arg == QStringLiteral("--no-colour") || arg == QStringLiteral("--no-color")) {
            options.colour = false;
        } else if (arg == QStringLiteral("--count") && index + 1 < args.size()) {
            bool ok = false;
            const int count = args[++index].toInt(&ok);
            if (!ok || count < 1) {
                err << "veltrano-cli watch: --count takes a whole number of polls, 1 or more\n" << usage;
                return std::nullopt;
            }
            options.count = count;
        } else {
            err << "veltrano-cli watch: unexpected argument \"" << arg << "\"\n" << usage;
            return std::nullopt;
        }
    }
    return options;
}

bool isRouterSetUp(const SettingsStore& settings) {
    const auto isSet = [&settings](const QString& key) {
        return !settings.readString(key).value_or(QString()).trimmed().isEmpty();
    };
    return isSet(SettingsKey::routerIP) && (isSet(SettingsKey::targetMAC) || isSet(SettingsKey::targetMAC2));
}

} // namespace

int runWatchCommand(const QStringList& args, WatchContext context, bool terminalColours, QTextStream& out,
                    QTextStream& err) {
    const std::optional<WatchOptions> options = parseOptions(args, err);
    if (!options)
        return 2;

    const bool routerMode =
        context.settings.readString(SettingsKey::monitoringMode).value_or(QStringLiteral("router")) ==
        QStringLiteral("router");
    if (routerMode && !isRouterSetUp(context.settings))
        err << "veltrano-cli watch: no router and camera set up: choose them in Veltrano's settings window, "
               "or run veltrano-cli settings set routerIP ADDRESS, veltrano-cli password set, veltrano-cli "
               "connect and veltrano-cli settings set targetMAC MAC; or try veltrano-cli watch --demo\n";
    err.flush();

    WatchPresenter presenter;
    SilentSoundPlayer silence;
    FloatingSignalState floating;
    WiFiMonitor monitor(MonitorContext{context.settings, context.router, context.link, context.networkEvents,
                                       presenter, presenter, silence, context.clock, context.sessionLog,
                                       floating, context.logger});
    QEventLoop loop;
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &loop, [&] { loop.quit(); });

    // Half a second after each poll, so that router answers of that poll are in.
    int printed = 0;
    QTimer printer;
    printer.setInterval(std::chrono::seconds(1));
    const auto printLine = [&] {
        const bool router =
            context.settings.readString(SettingsKey::monitoringMode).value_or(QStringLiteral("router")) ==
            QStringLiteral("router");
        const QString line = presenter.line(context.clock.now().toString(QStringLiteral("HH:mm:ss")),
                                            router ? QStringLiteral("router") : QStringLiteral("wifi"),
                                            terminalColours && options->colour);
        out << (context.demo ? demoLabelled(line) : line) << '\n';
        out.flush();
        if (options->count && ++printed >= *options->count)
            loop.quit();
    };
    QObject::connect(&printer, &QTimer::timeout, &loop, printLine);
    QTimer::singleShot(std::chrono::milliseconds(500), &printer, [&] {
        printer.start();
        printLine();
    });

    monitor.start();
    loop.exec();
    monitor.stop();
    return 0;
}

#pragma once

#include <QStringList>
#include <QTextStream>

class Clock;
class EventLogger;
class NetworkEventSource;
class RouterService;
class SessionLog;
class SettingsStore;
class WirelessLink;

// What the headless monitor runs on; the CLI passes the real pieces, tests fakes.
struct WatchContext {
    SettingsStore& settings;
    RouterService& router;
    WirelessLink& link;
    NetworkEventSource& networkEvents;
    SessionLog& sessionLog;
    const Clock& clock;
    EventLogger& logger;
    // Every line then says it is the demo.
    bool demo = false;
};

// `veltrano-cli watch [--count N] [--no-colour]`: the monitor without a tray, one
// line per poll, until Ctrl-C, SIGTERM or N lines. Runs the event loop itself.
// Without a router or a camera to watch it first says how to set them up.
int runWatchCommand(const QStringList& args, WatchContext context, bool terminalColours, QTextStream& out,
                    QTextStream& err);

#pragma once

#include <QStringList>
#include <QTextStream>

class RouterManager;
class SettingsStore;

// The router verbs of veltrano-cli. Each runs the request through the same
// RouterManager the program uses and waits for its answer in a local event loop;
// every request carries its own deadline, so none waits forever.

// `detect ADDRESS`: prints the family key ("glinet", "unifi", "peplink",
// "unknown"). When ADDRESS is the configured router it is stored in
// `detectedRouterType`, as the settings window does.
int runDetectCommand(const QStringList& args, RouterManager& router, SettingsStore& settings,
                     QTextStream& out, QTextStream& err);

// `connect`: logs in with the stored settings and keyring password (detecting
// the family first when none is stored); on success marks the router connected,
// asks the next launch to reconnect and stores its model name.
int runConnectCommand(const QStringList& args, RouterManager& router, SettingsStore& settings,
                      QTextStream& out, QTextStream& err);

// `clients [--json]`: the wireless client list as the device picker gets it.
int runClientsCommand(const QStringList& args, RouterManager& router, QTextStream& out, QTextStream& err);

// `client MAC [--json]`: one target's row exactly as the monitor receives it
// (the family's client row completed by its radio path), as one `clients`
// line or one `clients --json` object. Exit status 1 when the router lists
// no such client.
int runClientCommand(const QStringList& args, RouterManager& router, QTextStream& out, QTextStream& err);

// `model`: logs in, then prints the model text of the router of the stored
// family.
int runModelCommand(const QStringList& args, RouterManager& router, QTextStream& out, QTextStream& err);

#pragma once

#include <QString>
#include <functional>

class ChildProcesses;
class CredentialStore;
class EventLogger;
class QThreadPool;
class SettingsStore;

// What every adapter reaches the router and the user's settings through. The
// manager owns all of it and outlives its adapters.
struct RouterAccess {
    SettingsStore& settings;
    // Blocks: read it on `pool` only (RouterPassword.h).
    CredentialStore& credentials;
    EventLogger& logger;
    // Background work: keyring reads and ssh commands. The manager waits for it
    // before its adapters go.
    QThreadPool& pool;
    // Every ssh the transports run, ended together when the program quits.
    ChildProcesses& sshChildren;
    // The `routerIP` setting trimmed, else the first detected gateway, else the
    // fall-back address. Cheap and safe on the main thread.
    std::function<QString()> routerAddress;
    // Whether an IPv4 address lies on a subnet of one of this computer's
    // interfaces (RouterManager::isOnLocalSubnet).
    std::function<bool(const QString&)> isOnLocalSubnet;
    // The directory for ssh control sockets and askpass scripts.
    QString sshDirectory;
};

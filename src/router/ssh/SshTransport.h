#pragma once

#include "router/identity/RouterIdentityStore.h"
#include "router/ssh/ChildProcesses.h"
#include "router/ssh/PrivateRuntimeDirectory.h"
#include "router/ssh/SerialWorker.h"
#include "router/ssh/SpawnedProcess.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <optional>

class EventLogger;

// Who logs in where. ssh gets them as one login target, user@host.
struct SshLogin {
    QString user;
    QString host;

    // The main router is always entered as root.
    static SshLogin mainRouter(const QString& host) { return {QStringLiteral("root"), host}; }
    QString target() const { return user + QLatin1Char('@') + host; }
    // The user name comes from the network (a UniFi controller's device
    // credentials); one that begins with "-" would reach ssh as an option.
    bool isSafe() const { return !user.isEmpty() && !host.isEmpty() && !user.startsWith(QLatin1Char('-')); }
};

// Reaches the router or an access point through the system OpenSSH client. Each
// transport keeps one long-lived master connection, opened with a password that
// a throw-away askpass script hands to ssh; the remote shells then ride on the
// master's control socket and cost no new login. An access
// point's socket is named after its host: an access-point transport moves its
// master when it is given another access point to serve, and a command meant
// for one must never ride on a master to another.
//
// ssh keeps the routers' host keys in the identity store's known-hosts file and
// takes a new router's key on first use. A router whose key differs from the
// one recorded is refused by ssh during the key exchange, before it could ask
// for the password.
//
// Every operation blocks: call them from background threads (the router
// adapters' QThreadPool workers), never from the main thread.
class SshTransport {
public:
    // Two targets may hang on two access points: each has a transport of its own.
    enum class Kind { mainRouter, accessPoint, secondAccessPoint };
    // `failed`: nothing answered in time (the router is down, rebooting, or its
    // sshd hangs); `passwordRefused` and `hostKeyChanged`: sshd answered and the
    // login did not go through.
    enum class MasterStart { up, failed, passwordRefused, hostKeyChanged };

    // The control sockets, askpass script and master log keep their per-kind
    // names inside `directory`, which is checked (PrivateRuntimeDirectory)
    // before any password is written there or any master is started. Every ssh
    // runs as one of `children`; once they have ended, nothing starts any more.
    SshTransport(Kind kind, EventLogger& logger, RouterIdentityStore identities, ChildProcesses& children,
                 QString directory = PrivateRuntimeDirectory::defaultPath());
    // Waits for a start in progress, then stops the master.
    ~SshTransport();
    SshTransport(const SshTransport&) = delete;
    SshTransport& operator=(const SshTransport&) = delete;

    QString controlSocketPath(const SshLogin& login) const;
    QString askpassScriptPath() const { return askpassScript; }

    // Asks the master through its control socket whether it is up. A master
    // being ended (endMaster) is not.
    bool isMasterAlive(const SshLogin& login) const;

    // Asked, when set, right before a master is launched, in step with
    // closeMaster: a caller whose session was reset meanwhile answers false, and
    // no master then outlives that reset.
    using StillWanted = std::function<bool()>;

    // Writes the askpass script and starts the master on this transport's own
    // thread, polling it for about 5 s; `completion` runs on that thread. Starts
    // are taken one at a time, and one that finds the master already up
    // reports `up` at once. A changed host key is logged once until a start
    // succeeds again.
    void startMaster(const SshLogin& login, const QString& password,
                     std::function<void(MasterStart)> completion, StillWanted stillWanted = {});

    // Uses a running master, or starts one and blocks until it has come up or
    // failed. Anything but `up` ends the caller's attempt.
    MasterStart ensureMaster(const SshLogin& login, const QString& password, StillWanted stillWanted = {});

    // The arguments of a long-lived `sh` on the far side of the master, for a
    // RemoteShell: our own ssh settings only, and the master alone (no fallback
    // to a fresh login, no prompt).
    QStringList remoteShellArguments(const SshLogin& login) const;
    // What every ssh but the master gets as its whole environment.
    static QStringList commandEnvironment();

    // Tells the master to exit, stops our master process, and removes the
    // control socket and any askpass script.
    void closeMaster(const SshLogin& login);

    // For a master that answers its control socket but no longer carries
    // anything (its router stopped answering on the connection): from this call
    // on it counts as down, and it is closed on this transport's own thread, in
    // turn with the starts, so the next use starts a fresh one. Does not block;
    // safe on the main thread.
    void endMaster(const SshLogin& login);

    // /usr/bin/ssh, or the program named by VELTRANO_SSH.
    static QString sshProgram();

private:
    MasterStart startMasterNow(const SshLogin& login, const QString& password,
                               const StillWanted& stillWanted);
    // Polls the master started for `login` until it is up, ssh refused the
    // host's key, or the time is up (or the children were ended).
    MasterStart awaitMaster(const SshLogin& login);
    // Stops our master process, if any, and removes its socket. Under masterMutex.
    void dropMaster();
    bool isBeingEnded(const QString& controlSocket) const;
    void stopEnding(const QString& controlSocket);

    EventLogger& logger;
    RouterIdentityStore identities;
    ChildProcesses& children;
    const Kind kind;
    const QString directory;
    const QString controlSocketStem;
    const QString askpassScript;
    // What ssh says while the master comes up.
    const QString masterLog;

    // Held for a whole start and while the master handle changes hands.
    std::mutex masterMutex;
    std::optional<SpawnedProcess> master;
    // Set by a start refused for a changed host key, cleared by one that succeeds.
    bool hostKeyRefused = false;
    QString masterSocket;

    // The sockets of masters endMaster condemned and no start or close has
    // replaced yet. Read by every liveness check, so under a lock of its own.
    mutable std::mutex endingMutex;
    QStringList endingSockets;

    // Starts wait here rather than in the shared pool, whose workers may all
    // be callers blocked in ensureMaster.
    SerialWorker startWorker;
};

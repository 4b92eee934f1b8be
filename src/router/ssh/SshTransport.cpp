#include "router/ssh/SshTransport.h"

#include "logs/EventLogger.h"
#include "router/ssh/AskpassScript.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <semaphore>
#include <unistd.h>
#include <utility>

namespace {

constexpr int livenessChecks = 50;
constexpr int livenessIntervalMs = 100;

void assertOffMainThread() {
    Q_ASSERT_X(!QCoreApplication::instance() ||
                   QThread::currentThread() != QCoreApplication::instance()->thread(),
               "SshTransport", "ssh runs block; call them from a background thread");
}

QString homeVariable() {
    return QStringLiteral("HOME=") + QDir::homePath();
}

QString pathVariable() {
    return QStringLiteral("PATH=/usr/bin:/bin");
}

// The user's own ssh configuration, keys and agent have no say in how we reach
// a router: a Host block or an agent key must not change where the password goes.
const QStringList ownSettingsOnly{QStringLiteral("-F"), QStringLiteral("/dev/null"),
                                  QStringLiteral("-o"), QStringLiteral("PubkeyAuthentication=no"),
                                  QStringLiteral("-o"), QStringLiteral("IdentityAgent=none")};

// A command rides on the master alone: with the master gone it fails instead of
// logging in afresh or asking on the terminal. ssh falls back to a connection of
// its own when the control socket does not answer; that connection goes to
// `false`, never to the router, and no known-hosts file is read for it.
const QStringList masterOnly{QStringLiteral("-o"), QStringLiteral("ControlMaster=no"),
                             QStringLiteral("-o"), QStringLiteral("BatchMode=yes"),
                             QStringLiteral("-o"), QStringLiteral("ProxyCommand=false")};

// ssh's own words when a known host shows another key; it stops there, before
// authenticating.
const QByteArray hostKeyChangedWarning = "REMOTE HOST IDENTIFICATION HAS CHANGED";
// What ssh logs when sshd turned the password down.
const QByteArray passwordRefusedWarning = "Permission denied";

// A master whose router stopped answering on the connection (a hung sshd, a
// black-holed path, the laptop's address gone after a Wi-Fi drop) still answers
// its control socket, and TCP would give up only after about 15 minutes. Two
// unanswered keep-alives five seconds apart end it instead.
const QStringList keepAlive{QStringLiteral("-o"), QStringLiteral("ServerAliveInterval=5"),
                            QStringLiteral("-o"), QStringLiteral("ServerAliveCountMax=2")};

bool runToSuccess(ChildProcesses& children, const QStringList& arguments) {
    std::optional<SpawnedProcess> ssh = SpawnedProcess::start(children, SshTransport::sshProgram(), arguments,
                                                              SshTransport::commandEnvironment());
    return ssh && ssh->waitForSuccess();
}

QString fileStem(SshTransport::Kind kind) {
    switch (kind) {
    case SshTransport::Kind::mainRouter:
        return QStringLiteral("veltrano-ssh");
    case SshTransport::Kind::accessPoint:
        return QStringLiteral("veltrano-ap-ssh");
    case SshTransport::Kind::secondAccessPoint:
        return QStringLiteral("veltrano-ap2-ssh");
    }
    return {};
}

QString askpassFileName(SshTransport::Kind kind) {
    switch (kind) {
    case SshTransport::Kind::mainRouter:
        return AskpassScript::mainRouterFileName;
    case SshTransport::Kind::accessPoint:
        return AskpassScript::accessPointFileName;
    case SshTransport::Kind::secondAccessPoint:
        return AskpassScript::secondAccessPointFileName;
    }
    return {};
}

} // namespace

SshTransport::SshTransport(Kind kind, EventLogger& logger, RouterIdentityStore identities,
                           ChildProcesses& children, QString directory)
    : logger(logger)
    , identities(std::move(identities))
    , children(children)
    , kind(kind)
    , directory(std::move(directory))
    , controlSocketStem(this->directory + QLatin1Char('/') + fileStem(kind) + QStringLiteral("-control"))
    , askpassScript(this->directory + QLatin1Char('/') + askpassFileName(kind))
    , masterLog(this->directory + QLatin1Char('/') + fileStem(kind) + QStringLiteral("-master.log")) {}

SshTransport::~SshTransport() {
    // A start still running would otherwise bring up a master after this one
    // was stopped.
    startWorker.stop();
    dropMaster();
}

QString SshTransport::controlSocketPath(const SshLogin& login) const {
    return kind == Kind::mainRouter ? controlSocketStem : controlSocketStem + QLatin1Char('-') + login.host;
}

QString SshTransport::sshProgram() {
    const QString configured = qEnvironmentVariable("VELTRANO_SSH");
    return configured.isEmpty() ? QStringLiteral("/usr/bin/ssh") : configured;
}

bool SshTransport::isMasterAlive(const SshLogin& login) const {
    assertOffMainThread();
    const QString controlSocket = controlSocketPath(login);
    if (!login.isSafe() || isBeingEnded(controlSocket))
        return false;
    return runToSuccess(children, QStringList{QStringLiteral("-S"), controlSocket, QStringLiteral("-O"),
                                              QStringLiteral("check")} +
                                      ownSettingsOnly + masterOnly + QStringList{login.target()});
}

void SshTransport::startMaster(const SshLogin& login, const QString& password,
                               std::function<void(MasterStart)> completion, StillWanted stillWanted) {
    startWorker.post(
        [this, login, password, completion = std::move(completion), stillWanted = std::move(stillWanted)] {
            completion(startMasterNow(login, password, stillWanted));
        });
}

SshTransport::MasterStart SshTransport::ensureMaster(const SshLogin& login, const QString& password,
                                                     StillWanted stillWanted) {
    assertOffMainThread();
    if (isMasterAlive(login))
        return MasterStart::up;
    // A standard semaphore rather than QSemaphore: its hand-over is visible to
    // ThreadSanitizer, which cannot see inside Debian's uninstrumented Qt.
    std::binary_semaphore reported{0};
    MasterStart outcome = MasterStart::failed;
    startMaster(
        login, password,
        [&](MasterStart start) {
            outcome = start;
            reported.release();
        },
        std::move(stillWanted));
    reported.acquire();
    return outcome;
}

SshTransport::MasterStart SshTransport::startMasterNow(const SshLogin& login, const QString& password,
                                                       const StillWanted& stillWanted) {
    std::lock_guard lock(masterMutex);
    // Two callers may have found the master down at once; the second one in
    // finds it up and must not start a rival on the same socket.
    if (isMasterAlive(login))
        return MasterStart::up;
    if (children.haveEnded() || (stillWanted && !stillWanted()))
        return MasterStart::failed;

    if (!login.isSafe()) {
        logger.logError(VtCode::transportFailed, QStringLiteral("unusable SSH login ") + login.target());
        return MasterStart::failed;
    }
    const PrivateRuntimeDirectory::Status status = PrivateRuntimeDirectory::prepare(directory);
    if (status != PrivateRuntimeDirectory::Status::usable) {
        logger.logError(VtCode::transportFailed, QStringLiteral("SSH runtime directory ") + directory +
                                                     QLatin1Char(' ') +
                                                     PrivateRuntimeDirectory::describe(status));
        return MasterStart::failed;
    }
    if (!identities.prepareKnownHosts()) {
        logger.logError(VtCode::transportFailed,
                        QStringLiteral("no known-hosts file ") + identities.knownHostsPath());
        return MasterStart::failed;
    }
    if (!AskpassScript::write(askpassScript, password)) {
        logger.logError(VtCode::transportFailed, QString());
        return MasterStart::failed;
    }

    const QString controlSocket = controlSocketPath(login);
    const QStringList knownBefore = identities.hostKeys(login.host);
    // ssh appends to its log; this start's words alone tell what it refused.
    QFile::remove(masterLog);
    // HashKnownHosts=no keeps the names plain, so that `trust list` can tell
    // whose key is whose.
    const QStringList arguments =
        QStringList{QStringLiteral("-M"), QStringLiteral("-S"), controlSocket} + ownSettingsOnly +
        QStringList{
            QStringLiteral("-E"), masterLog,
            QStringLiteral("-o"), QStringLiteral("StrictHostKeyChecking=accept-new"),
            QStringLiteral("-o"), QStringLiteral("UserKnownHostsFile=") + identities.knownHostsPath(),
            QStringLiteral("-o"), QStringLiteral("HashKnownHosts=no"),
            QStringLiteral("-o"), QStringLiteral("PasswordAuthentication=yes"),
            QStringLiteral("-o"), QStringLiteral("NumberOfPasswordPrompts=1"),
            QStringLiteral("-o"), QStringLiteral("ConnectTimeout=5"),
        } +
        keepAlive + QStringList{QStringLiteral("-N"), login.target()};
    const QStringList environment = {
        QStringLiteral("SSH_ASKPASS=") + askpassScript,
        QStringLiteral("SSH_ASKPASS_REQUIRE=force"),
        QStringLiteral("DISPLAY=:0"),
        homeVariable(),
        pathVariable(),
    };
    // An older master that no longer answers holds at most a dead connection.
    // A socket that none answers on (a master killed or crashed) would keep
    // the new one from listening.
    dropMaster();
    ::unlink(QFile::encodeName(controlSocket).constData());
    stopEnding(controlSocket);
    master = SpawnedProcess::start(children, sshProgram(), arguments, environment);
    masterSocket = controlSocket;
    if (!master) {
        AskpassScript::remove(askpassScript);
        logger.logError(VtCode::transportFailed, QString());
        return MasterStart::failed;
    }

    const MasterStart outcome = awaitMaster(login);
    AskpassScript::remove(askpassScript);
    QFile::remove(masterLog);
    // ssh takes a new router's key at the handshake, whether or not the login
    // that follows succeeds.
    identities.noteNewHostKeys(login.host, knownBefore);
    switch (outcome) {
    case MasterStart::up:
        hostKeyRefused = false;
        logger.logInfo(VtCode::transportReady, QString());
        return outcome;
    case MasterStart::hostKeyChanged:
        // Every poll tries again; the journal hears of it once.
        if (!std::exchange(hostKeyRefused, true))
            logger.logError(VtCode::authRejected, QStringLiteral("host-key-changed ") + login.host);
        break;
    case MasterStart::failed:
    case MasterStart::passwordRefused:
        logger.logError(VtCode::transportTimeout, QString());
        break;
    }
    // A master that could come up after we gave up would be one nobody uses.
    dropMaster();
    return outcome;
}

SshTransport::MasterStart SshTransport::awaitMaster(const SshLogin& login) {
    for (int check = 0; check < livenessChecks && !children.haveEnded(); ++check) {
        QThread::msleep(livenessIntervalMs);
        if (isMasterAlive(login))
            return MasterStart::up;
        QFile log(masterLog);
        const QByteArray said = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
        if (said.contains(hostKeyChangedWarning))
            return MasterStart::hostKeyChanged;
        // A refused login or an unreachable router ends the master: nothing
        // is left to wait for.
        if (master->hasExited())
            return said.contains(passwordRefusedWarning) ? MasterStart::passwordRefused : MasterStart::failed;
    }
    return MasterStart::failed;
}

void SshTransport::endMaster(const SshLogin& login) {
    const QString controlSocket = controlSocketPath(login);
    {
        std::lock_guard lock(endingMutex);
        if (endingSockets.contains(controlSocket))
            return;
        endingSockets.append(controlSocket);
    }
    startWorker.post([this, login, controlSocket] {
        // A start since then has already replaced the master.
        if (isBeingEnded(controlSocket))
            closeMaster(login);
    });
}

bool SshTransport::isBeingEnded(const QString& controlSocket) const {
    std::lock_guard lock(endingMutex);
    return endingSockets.contains(controlSocket);
}

void SshTransport::stopEnding(const QString& controlSocket) {
    std::lock_guard lock(endingMutex);
    endingSockets.removeAll(controlSocket);
}

QStringList SshTransport::remoteShellArguments(const SshLogin& login) const {
    return QStringList{QStringLiteral("-S"), controlSocketPath(login)} + ownSettingsOnly + masterOnly +
           QStringList{login.target(), QStringLiteral("sh")};
}

QStringList SshTransport::commandEnvironment() {
    return {homeVariable(), pathVariable()};
}

void SshTransport::closeMaster(const SshLogin& login) {
    assertOffMainThread();
    const QString controlSocket = controlSocketPath(login);
    if (login.isSafe())
        runToSuccess(children, QStringList{QStringLiteral("-S"), controlSocket, QStringLiteral("-O"),
                                           QStringLiteral("exit")} +
                                   ownSettingsOnly + masterOnly + QStringList{login.target()});
    std::lock_guard lock(masterMutex);
    // Our master may by now serve another host, which this close is not about.
    if (masterSocket == controlSocket)
        dropMaster();
    // A master that died without cleaning up leaves its socket behind.
    ::unlink(QFile::encodeName(controlSocket).constData());
    stopEnding(controlSocket);
    AskpassScript::remove(askpassScript);
}

void SshTransport::dropMaster() {
    if (!master)
        return;
    master->stop();
    master.reset();
    ::unlink(QFile::encodeName(masterSocket).constData());
}

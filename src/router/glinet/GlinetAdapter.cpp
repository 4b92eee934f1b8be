#include "router/glinet/GlinetAdapter.h"

#include "logs/EventLogger.h"
#include "router/BackgroundTask.h"
#include "router/DiagnosticDump.h"
#include "router/RouterFamily.h"
#include "router/RouterUrl.h"
#include "router/glinet/GlinetFieldDump.h"
#include "router/glinet/GlinetLogin.h"
#include "router/glinet/GlinetModelName.h"
#include "router/glinet/GlinetRpcAnswer.h"
#include "router/glinet/GlinetStation.h"
#include "router/identity/IdentityChangedMessage.h"
#include "router/identity/RouterLoginClearance.h"
#include "router/keyring/RouterPassword.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

using namespace std::chrono_literals;

namespace {

constexpr auto loginTimeout = 5s;
constexpr auto listTimeout = 60s;
constexpr auto healthTimeout = 3s;
// The ping runs in the background on the router; it wakes a dozing station so
// that the assoclist that follows reports fresh figures.
const QString pingSettleCommand = QStringLiteral("sleep 0.05");

QString httpAuthenticationFailed() {
    return QStringLiteral("HTTP authentication failed");
}

QString sshConnectionFailed() {
    return QStringLiteral("SSH connection failed");
}

const QString https = QStringLiteral("https");
const QString http = QStringLiteral("http");

std::optional<QUrl> rpcUrl(const QString& scheme, const QString& address) {
    return routerUrl(scheme, address, QStringLiteral("/rpc"));
}

QByteArray rpcBody(const QString& method, const QJsonValue& params, int id) {
    const QJsonObject body{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                           {QStringLiteral("method"), method},
                           {QStringLiteral("params"), params},
                           {QStringLiteral("id"), id}};
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QByteArray challengeBody() {
    return rpcBody(QStringLiteral("challenge"),
                   QJsonObject{{QStringLiteral("username"), QStringLiteral("root")}}, 0);
}

// The probe that also tells a GL.iNet router from the other families.
QByteArray healthBody() {
    const QJsonObject body{
        {QStringLiteral("method"), QStringLiteral("challenge")},
        {QStringLiteral("params"), QJsonObject{{QStringLiteral("username"), QStringLiteral("root")}}},
        {QStringLiteral("id"), 1}};
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QByteArray loginBody(const QString& hash) {
    return rpcBody(
        QStringLiteral("login"),
        QJsonObject{{QStringLiteral("username"), QStringLiteral("root")}, {QStringLiteral("hash"), hash}}, 1);
}

QByteArray clientListBody(const QString& sid) {
    return rpcBody(QStringLiteral("call"),
                   QJsonArray{sid, QStringLiteral("clients"), QStringLiteral("get_list"), QJsonObject()}, 2);
}

// The board's model in `ubus call system board`'s answer, by its marketing name.
std::optional<QString> modelFromBoard(const QByteArray& output, EventLogger& logger) {
    const std::optional<QString> model = readGlinetBoardModel(output);
    if (!model) {
        logger.logError(VtCode::nodeScanFailed, glinetBoardCommand);
        return std::nullopt;
    }
    return glinetModelName(*model);
}

// The assoclist commands of the interfaces whose names can be run.
QStringList assoclistCommands(const QStringList& devices) {
    QStringList commands;
    for (const QString& device : devices)
        if (const std::optional<QString> command = glinetAssoclistCommand(device))
            commands.append(*command);
    return commands;
}

// The target's station in the first assoclist that has it.
std::optional<QJsonObject> stationIn(const QList<RemoteShell::Answer>& assoclists, const QString& targetMAC,
                                     EventLogger& logger) {
    for (const RemoteShell::Answer& assoclist : assoclists)
        if (std::optional<QJsonObject> station = findAssociatedStation(assoclist.output, targetMAC))
            return station;
    logger.logDebug(VtCode::targetAbsent, targetMAC);
    return std::nullopt;
}

// The router's shell as a pool thread reaches it. Everything referenced
// outlives the pool's work.
struct RouterShell {
    SshTransport& ssh;
    MasterStartBackoff& masterStarts;
    RouterIdentityStore identities;
    CredentialStore& credentials;
    EventLogger& logger;
    SshLogin login;
    // Work queued before a reset or disconnect must not open a master again.
    const std::atomic<quint64>& currentGeneration;
    quint64 askedGeneration;

    // The keyring is read only when a master has to be started; no login goes
    // out without a password.
    SshTransport::MasterStart ensureMaster(bool userAsked) const {
        if (ssh.isMasterAlive(login))
            return SshTransport::MasterStart::up;
        if (currentGeneration.load() != askedGeneration)
            return SshTransport::MasterStart::failed;
        return masterStarts.attempt(userAsked, [this] {
            const RouterPasswordLookup lookup =
                clearRouterLogin(identities, credentials, logger, login.host, RouterFamily::glinet);
            if (!lookup.password)
                return SshTransport::MasterStart::failed;
            // Checked again right before the launch, in step with closeMaster:
            // a reset while this waited for the keyring brings up no master.
            return ssh.ensureMaster(login, *lookup.password,
                                    [this] { return currentGeneration.load() == askedGeneration; });
        });
    }
    bool hasMaster() const { return ensureMaster(false) == SshTransport::MasterStart::up; }
};

} // namespace

GlinetAdapter::GlinetAdapter(RouterAccess& access)
    : access(access)
    , session(RouterIdentityStore::beside(access.settings), access.logger)
    , ssh(SshTransport::Kind::mainRouter, access.logger, RouterIdentityStore::beside(access.settings),
          access.sshChildren, access.sshDirectory)
    , shells(access.sshChildren, access.logger, ssh) {}

GlinetAdapter::~GlinetAdapter() = default;

void GlinetAdapter::connect(ConnectCompletion completion) {
    if (!sid) {
        logInAndStartMaster(std::move(completion));
        return;
    }
    runInBackground(
        access.pool, this, [transport = &ssh, login = sshLogin()] { return transport->isMasterAlive(login); },
        [this, completion = std::move(completion)](bool alive) {
            if (alive && sid)
                completion(true, std::nullopt);
            else
                logInAndStartMaster(completion);
        });
}

void GlinetAdapter::fetchClients(ClientsCompletion completion) {
    shareClientList([completion = std::move(completion)](const std::optional<GlinetClientList>& list) {
        completion(list ? std::optional(list->rows) : std::nullopt);
    });
}

void GlinetAdapter::fetchClient(const QString& targetMAC, ClientCompletion completion) {
    shareClientList(
        [this, targetMAC, completion = std::move(completion)](const std::optional<GlinetClientList>& list) {
            const QList<RouterClient> rows = list ? list->rows : QList<RouterClient>();
            const auto row = std::find_if(rows.cbegin(), rows.cend(), [&](const RouterClient& candidate) {
                return candidate.mac.compare(targetMAC, Qt::CaseInsensitive) == 0;
            });
            if (row == rows.cend())
                completion(std::nullopt);
            else
                readRadio(*row, targetMAC, completion);
        });
}

void GlinetAdapter::probeRouterHealth(HealthCompletion completion) {
    const std::optional<QUrl> url = routerRpcUrl();
    if (!url) {
        later([completion = std::move(completion)] { completion(false); });
        return;
    }
    send(*url, healthBody(), healthTimeout,
         [completion = std::move(completion)](const RouterHttpResult& answer) {
             const std::optional<GlinetRpcAnswer> rpc =
                 answer.error ? std::nullopt : readGlinetRpcAnswer(answer.body);
             completion(rpc && rpc->result.value(QStringLiteral("salt")).isString());
         });
}

void GlinetAdapter::fetchModelName(ModelCompletion completion) {
    runOnShell({glinetBoardCommand}, [this, completion =
                                                std::move(completion)](const RemoteShell::Answers& answers) {
        completion(answers ? modelFromBoard(answers->constFirst().output, access.logger) : std::nullopt);
    });
}

void GlinetAdapter::resetSession() {
    gate.reset();
    sid.reset();
    ++sessionGeneration;
    shellGeneration = sessionGeneration;
    shells.stop();
    shellDevices.clear();
    hasLoggedGLiNetHTTPDump = false;
    hasLoggedGLiNetSSHDump = false;
}

void GlinetAdapter::disconnect() {
    shells.stop();
    access.pool.start([transport = &ssh, login = sshLogin()] { transport->closeMaster(login); });
    session.abortAll();
}

void GlinetAdapter::logIn(bool userAsked, LoginGate::Waiter done) {
    gate.logIn(
        access.routerAddress(), userAsked,
        [this](LoginGate::Finish finish) { attemptLogin(std::move(finish)); }, std::move(done));
}

void GlinetAdapter::attemptLogin(LoginGate::Finish finish) {
    const QString address = access.routerAddress();
    if (!rpcUrl(https, address)) {
        access.logger.logError(VtCode::authRejected, QStringLiteral("no-challenge"));
        later([finish = std::move(finish)] { finish({}); });
        return;
    }
    const quint64 generation = sessionGeneration;
    runInBackground(
        access.pool, this,
        [identities = RouterIdentityStore::beside(access.settings), &credentials = access.credentials,
         &logger = access.logger, address] {
            return std::pair(clearRouterLogin(identities, credentials, logger, address, RouterFamily::glinet),
                             identities.standing(address));
        },
        [this, address, generation,
         finish = std::move(finish)](const std::pair<RouterPasswordLookup, RouterStanding>& cleared) {
            const auto& [lookup, standing] = cleared;
            if (generation != sessionGeneration)
                return finish({});
            if (!lookup.password)
                return finish({false, lookup.failure, lookup.identityRefused});
            // HTTPS first, unless the first login here found none.
            const QString scheme = standing.record ? standing.record->scheme : https;
            sendChallenge({address, *lookup.password, standing, scheme, generation}, finish);
        });
}

void GlinetAdapter::sendChallenge(const LoginAttempt& attempt, const LoginGate::Finish& finish) {
    const std::optional<QUrl> url = rpcUrl(attempt.scheme, attempt.address);
    if (!url) {
        access.logger.logError(VtCode::authRejected, QStringLiteral("no-challenge"));
        return later([finish] { finish({}); });
    }
    send(*url, challengeBody(), loginTimeout, [this, attempt, finish](const RouterHttpResult& answer) {
        answerChallenge(attempt, answer, finish);
    });
}

void GlinetAdapter::answerChallenge(LoginAttempt attempt, const RouterHttpResult& answer,
                                    const LoginGate::Finish& finish) {
    // Disconnected meanwhile: the cut-off answer is no rejection to report.
    if (attempt.generation != sessionGeneration)
        return finish({});
    if (answer.error == RouterHttpError::identityChanged)
        return finish({false, certificateChangedMessage(attempt.address), true});
    // Firmware without HTTPS refuses the connection. The challenge carries
    // nothing secret, so it may ask again in clear text; whether the login may
    // follow it there is judged on the answer.
    if (answer.error == RouterHttpError::refused && attempt.scheme == https) {
        attempt.scheme = http;
        return sendChallenge(attempt, finish);
    }
    const std::optional<GlinetChallenge> challenge =
        answer.error ? std::nullopt : readGlinetChallenge(answer.body);
    if (challenge) {
        if (const std::optional<QString> change = identityChange(attempt, *challenge)) {
            access.logger.logError(VtCode::authRejected, *change);
            return finish({false, familyChangedMessage(attempt.address), true});
        }
        access.logger.logDebug(VtCode::authDiag, QStringLiteral("alg:") + QString::number(challenge->alg));
    }
    // A salt outside the crypt alphabet is as unusable as no challenge at all.
    const std::optional<QString> hash =
        challenge ? glinetLoginHash(*challenge, attempt.password) : std::nullopt;
    if (!hash) {
        access.logger.logError(VtCode::authRejected, QStringLiteral("no-challenge"));
        return finish({});
    }
    const std::optional<QUrl> url = rpcUrl(attempt.scheme, attempt.address);
    const RouterRecord record{RouterFamily::glinet, attempt.scheme, challenge->alg,
                              glinetOuterHashName(challenge->outerHash)};
    // Sent at once: the router forgets the nonce after about a second.
    send(*url, loginBody(*hash), loginTimeout,
         [this, attempt, record, finish](const RouterHttpResult& answer) {
             if (attempt.generation != sessionGeneration)
                 return finish({});
             const GlinetLoginResult login = readGlinetLoginAnswer(answer.error ? QByteArray() : answer.body);
             if (!login.sid) {
                 access.logger.logError(VtCode::authRejected, login.rejectionDetail);
                 return finish({false, std::nullopt, login.refused});
             }
             if (!session.keepLogin(attempt.address, answer, record))
                 return finish({false, identitiesUnsavedMessage(session.identitiesPath()), false});
             sid = login.sid;
             rpcEndpoint = {attempt.address, attempt.scheme};
             access.logger.logInfo(VtCode::authSucceeded,
                                   attempt.scheme + QStringLiteral("://") + attempt.address);
             finish({true, std::nullopt, false});
         });
}

std::optional<QString> GlinetAdapter::identityChange(const LoginAttempt& attempt,
                                                     const GlinetChallenge& challenge) const {
    const std::optional<RouterRecord>& record = attempt.standing.record;
    // A router that spoke HTTPS, or any router whose certificate we pinned, is
    // not one that has none now.
    const bool spokeHttps = record ? record->scheme == https : attempt.standing.certificatePinned;
    if (attempt.scheme == http && spokeHttps)
        return QStringLiteral("scheme-changed ") + attempt.address + QStringLiteral(" http");
    if (record && record->cryptAlg && record->hashMethod &&
        isWeakerGlinetLogin(challenge, *record->cryptAlg, *record->hashMethod))
        return QStringLiteral("login-downgrade %1 alg:%2 %3")
            .arg(attempt.address)
            .arg(challenge.alg)
            .arg(glinetOuterHashName(challenge.outerHash));
    return std::nullopt;
}

void GlinetAdapter::logInAndStartMaster(ConnectCompletion completion) {
    logIn(true, [this, completion = std::move(completion)](const LoginGate::Outcome& login) {
        if (!login.success) {
            // The keyring's sentence, when it had no password to give.
            completion(false, login.message.value_or(httpAuthenticationFailed()));
            return;
        }
        const RouterShell shell{ssh,
                                masterStarts,
                                RouterIdentityStore::beside(access.settings),
                                access.credentials,
                                access.logger,
                                sshLogin(),
                                shellGeneration,
                                shellGeneration.load()};
        runInBackground(
            access.pool, this, [shell] { return shell.ensureMaster(true); },
            [completion, address = shell.login.host](SshTransport::MasterStart start) {
                if (start == SshTransport::MasterStart::up)
                    return completion(true, std::nullopt);
                completion(false, start == SshTransport::MasterStart::hostKeyChanged
                                      ? hostKeyChangedMessage(address)
                                      : sshConnectionFailed());
            });
    });
}

void GlinetAdapter::shareClientList(ListCompletion completion) {
    if (listWaiters && listWaitersGeneration == sessionGeneration) {
        listWaiters->push_back(std::move(completion));
        return;
    }
    auto waiters = std::make_shared<std::vector<ListCompletion>>();
    waiters->push_back(std::move(completion));
    listWaiters = waiters;
    listWaitersGeneration = sessionGeneration;
    requestClientList(false, [this, waiters](const std::optional<GlinetClientList>& list) {
        if (listWaiters == waiters)
            listWaiters.reset();
        for (const ListCompletion& waiter : *waiters)
            waiter(list);
    });
}

void GlinetAdapter::requestClientList(bool isRetry, ListCompletion completion) {
    if (sid) {
        sendClientListCall(isRetry, std::move(completion));
        return;
    }
    logIn(false, [this, isRetry, completion = std::move(completion)](const LoginGate::Outcome& login) {
        if (login.success && sid)
            sendClientListCall(isRetry, completion);
        else
            completion(std::nullopt);
    });
}

void GlinetAdapter::sendClientListCall(bool isRetry, ListCompletion completion) {
    const std::optional<QUrl> url = routerRpcUrl();
    if (!url) {
        later([completion = std::move(completion)] { completion(std::nullopt); });
        return;
    }
    const QString usedSid = *sid;
    send(*url, clientListBody(usedSid), listTimeout,
         [this, usedSid, isRetry, completion = std::move(completion)](const RouterHttpResult& answer) {
             if (answer.error) {
                 completion(std::nullopt);
                 return;
             }
             GlinetClientList list = readGlinetClientList(answer.body);
             if (answer.status == 401 || list.sessionExpired) {
                 // Another request may have logged in since this one was sent.
                 if (sid == usedSid)
                     sid.reset();
                 if (isRetry)
                     completion(std::nullopt);
                 else
                     requestClientList(true, completion);
                 return;
             }
             dumpListRowOnce(list);
             completion(std::move(list));
         });
}

void GlinetAdapter::dumpListRowOnce(const GlinetClientList& list) {
    if (hasLoggedGLiNetHTTPDump)
        return;
    const QString targetMAC = access.settings.readString(SettingsKey::targetMAC).value_or(QString());
    const std::optional<QJsonObject> entry = glinetClientEntry(list.clients, targetMAC);
    if (!entry)
        return;
    writeDiagnosticDump(access.logger, glinetClientListDump(targetMAC, *entry));
    hasLoggedGLiNetHTTPDump = true;
}

void GlinetAdapter::readRadio(const RouterClient& row, const QString& targetMAC,
                              ClientCompletion completion) {
    StationReport report = [this, row, targetMAC, asked = sessionGeneration,
                            completion = std::move(completion)](bool shellAnswered,
                                                                const std::optional<QJsonObject>& station) {
        // A reset meanwhile cut the shell's work short, which is no outage.
        if (asked != sessionGeneration)
            return completion(std::nullopt);
        // Every poll of an outage meets it; the log hears of it once.
        if (!shellAnswered && !hasLoggedSSHOutage)
            access.logger.logError(VtCode::transportFailed, QStringLiteral("router SSH not answering"));
        hasLoggedSSHOutage = !shellAnswered;
        if (station && !hasLoggedGLiNetSSHDump) {
            writeDiagnosticDump(access.logger, glinetAssoclistDump(targetMAC, *station));
            hasLoggedGLiNetSSHDump = true;
        }
        completion(withRadio(row, station ? std::optional(radioFromStation(*station)) : std::nullopt,
                             !shellAnswered));
    };
    findStationOverShell(row.ip, targetMAC, std::move(report));
}

// The assoclists need the interfaces' names, which a router keeps for good. So a
// poll sends, beside the devices call, the assoclists of the names the last poll
// saw, and asks a second time only when the names changed: one round trip in the
// steady state, and every name is checked here before the shell runs it (a loop
// over the names on the router would have to read JSON in sh).
void GlinetAdapter::findStationOverShell(const QString& clientIP, const QString& targetMAC,
                                         StationReport report) {
    QStringList commands;
    if (const std::optional<QString> ping = glinetPingCommand(clientIP))
        commands << *ping << pingSettleCommand;
    commands.append(glinetDevicesCommand);
    const qsizetype devicesAnswer = commands.size() - 1;
    const auto readAnswers = [this, targetMAC, devicesAnswer, listed = shellDevices,
                              report = std::move(report)](const RemoteShell::Answers& answers) {
        // No ubus prints nothing at all; a router that does is not whole.
        if (!answers || answers->at(devicesAnswer).output.trimmed().isEmpty())
            return report(false, std::nullopt);
        const std::optional<QStringList> devices = readIwinfoDevices(answers->at(devicesAnswer).output);
        if (!devices) {
            access.logger.logError(VtCode::nodeScanFailed, glinetDevicesCommand);
            return report(true, std::nullopt);
        }
        if (*devices == listed)
            return report(true, stationIn(answers->mid(devicesAnswer + 1), targetMAC, access.logger));
        shellDevices = *devices;
        runOnShell(assoclistCommands(*devices),
                   [this, targetMAC, report](const RemoteShell::Answers& assoclists) {
                       report(assoclists.has_value(),
                              assoclists ? stationIn(*assoclists, targetMAC, access.logger) : std::nullopt);
                   });
    };
    runOnShell(commands + assoclistCommands(shellDevices), readAnswers);
}

void GlinetAdapter::runOnShell(const QStringList& commands, RemoteShell::Completion done) {
    const SshLogin login = sshLogin();
    RemoteShell& shell = shells.pick(login);
    if (shell.isRunningFor(login)) {
        shell.run(commands, std::move(done));
        return;
    }
    if (shell.isPaused())
        return later([done = std::move(done)] { done(std::nullopt); });
    const RouterShell routerShell{ssh,
                                  masterStarts,
                                  RouterIdentityStore::beside(access.settings),
                                  access.credentials,
                                  access.logger,
                                  login,
                                  shellGeneration,
                                  shellGeneration.load()};
    runInBackground(
        access.pool, this, [routerShell] { return routerShell.hasMaster(); },
        [this, login, commands, asked = sessionGeneration, done = std::move(done)](bool masterUp) {
            if (!masterUp || asked != sessionGeneration)
                return done(std::nullopt);
            // Both slots may have found no shell free; the first back starts one,
            // the second another.
            RemoteShell& chosen = shells.pick(login);
            if (!chosen.isRunningFor(login))
                chosen.start(login);
            chosen.run(commands, done);
        });
}

void GlinetAdapter::later(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void GlinetAdapter::send(const QUrl& url, const QByteArray& body, std::chrono::milliseconds timeout,
                         RouterHttpSession::Completion completion) {
    session.send({QByteArrayLiteral("POST"),
                  url,
                  {{QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json")}},
                  body,
                  timeout},
                 this, std::move(completion));
}

std::optional<QUrl> GlinetAdapter::routerRpcUrl() const {
    const QString address = access.routerAddress();
    return rpcUrl(rpcEndpoint.address == address ? rpcEndpoint.scheme : https, address);
}

SshLogin GlinetAdapter::sshLogin() const {
    return SshLogin::mainRouter(access.routerAddress());
}

std::optional<QString> GlinetAdapter::loginRefusal() const {
    return gate.refusalMessage(access.routerAddress());
}

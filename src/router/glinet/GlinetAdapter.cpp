#include "router/glinet/GlinetAdapter.h"

#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/EventLogger.h"
#include "router/BackgroundTask.h"
#include "router/DiagnosticDump.h"
#include "router/RouterUrl.h"
#include "router/glinet/GlinetFieldDump.h"
#include "router/glinet/GlinetLogin.h"
#include "router/glinet/GlinetModelName.h"
#include "router/glinet/GlinetRpcAnswer.h"
#include "router/glinet/GlinetStation.h"
#include "router/keyring/RouterPassword.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <algorithm>

using namespace std::chrono_literals;

namespace {

constexpr auto loginTimeout = 5s;
constexpr auto listTimeout = 60s;
constexpr auto healthTimeout = 3s;
// The ping runs in the background on the router; it wakes a dozing station so
// that the assoclist that follows reports fresh figures.
constexpr unsigned long pingSettleMs = 50;

QString httpAuthenticationFailed() {
    return QStringLiteral("HTTP authentication failed");
}

QString sshConnectionFailed() {
    return QStringLiteral("SSH connection failed");
}

std::optional<QUrl> rpcUrl(const QString& address) {
    return routerUrl(QStringLiteral("http"), address, QStringLiteral("/rpc"));
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

// The router's shell as a pool thread reaches it. Everything referenced
// outlives the pool's work.
struct RouterShell {
    SshTransport& ssh;
    CredentialStore& credentials;
    EventLogger& logger;
    SshLogin login;
    // Work queued before a reset or disconnect must not open a master again.
    const std::atomic<quint64>& currentGeneration;
    quint64 askedGeneration;

    // The keyring is read only when a master has to be started.
    bool ensureMaster() const {
        if (ssh.isMasterAlive(login))
            return true;
        return currentGeneration.load() == askedGeneration &&
               ssh.ensureMaster(login, readRouterPassword(credentials, login.host));
    }

    std::optional<QByteArray> run(const QString& command) const {
        const std::optional<QString> output = ssh.runCommand(login, command);
        return output ? std::optional(output->toUtf8()) : std::nullopt;
    }

    // The target's station in the first interface's assoclist that has it.
    std::optional<QJsonObject> findStation(const QString& clientIP, const QString& targetMAC) const {
        if (!ensureMaster())
            return std::nullopt;
        if (const std::optional<QString> ping = glinetPingCommand(clientIP)) {
            run(*ping);
            QThread::msleep(pingSettleMs);
        }
        const std::optional<QByteArray> devicesOutput = run(glinetDevicesCommand);
        const std::optional<QStringList> devices =
            devicesOutput ? readIwinfoDevices(*devicesOutput) : std::nullopt;
        if (!devices) {
            logger.logError(VtCode::nodeScanFailed, glinetDevicesCommand);
            return std::nullopt;
        }
        for (const QString& device : *devices) {
            const std::optional<QString> command = glinetAssoclistCommand(device);
            const std::optional<QByteArray> output = command ? run(*command) : std::nullopt;
            if (!output)
                continue;
            if (std::optional<QJsonObject> station = findAssociatedStation(*output, targetMAC))
                return station;
        }
        logger.logDebug(VtCode::targetAbsent, targetMAC);
        return std::nullopt;
    }

    std::optional<QString> modelName() const {
        if (!ensureMaster())
            return std::nullopt;
        const std::optional<QByteArray> output = run(glinetBoardCommand);
        const std::optional<QString> model = output ? readGlinetBoardModel(*output) : std::nullopt;
        if (!model) {
            logger.logError(VtCode::nodeScanFailed, glinetBoardCommand);
            return std::nullopt;
        }
        return glinetModelName(*model);
    }
};

} // namespace

GlinetAdapter::GlinetAdapter(RouterAccess& access)
    : access(access)
    , ssh(SshTransport::Kind::mainRouter, access.logger, access.sshChildren, access.sshDirectory) {}

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
    requestClientList(false,
                      [completion = std::move(completion)](const std::optional<GlinetClientList>& list) {
                          completion(list ? list->rows : QList<RouterClient>());
                      });
}

void GlinetAdapter::fetchClient(const QString& targetMAC, ClientCompletion completion) {
    requestClientList(false, [this, targetMAC, completion = std::move(completion)](
                                 const std::optional<GlinetClientList>& list) {
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
    const std::optional<QUrl> url = rpcUrl(access.routerAddress());
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
    const RouterShell shell{ssh,        access.credentials, access.logger,
                            sshLogin(), shellGeneration,    shellGeneration.load()};
    runInBackground(
        access.pool, this, [shell] { return shell.modelName(); }, std::move(completion));
}

void GlinetAdapter::resetSession() {
    sid.reset();
    ++sessionGeneration;
    shellGeneration = sessionGeneration;
    hasLoggedGLiNetHTTPDump = false;
    hasLoggedGLiNetSSHDump = false;
}

void GlinetAdapter::disconnect() {
    access.pool.start([transport = &ssh, login = sshLogin()] { transport->closeMaster(login); });
    session.abortAll();
}

void GlinetAdapter::logIn(bool requirePassword, Done done) {
    const std::optional<QUrl> url = rpcUrl(access.routerAddress());
    if (!url) {
        access.logger.logError(VtCode::authRejected, QStringLiteral("no-challenge"));
        later([done = std::move(done)] { done(false); });
        return;
    }
    const quint64 generation = sessionGeneration;
    runInBackground(
        access.pool, this,
        [&credentials = access.credentials, address = access.routerAddress()] {
            return readRouterPassword(credentials, address);
        },
        [this, url = *url, requirePassword, generation, done = std::move(done)](const QString& password) {
            if (generation != sessionGeneration || (requirePassword && password.isEmpty())) {
                done(false);
                return;
            }
            send(url, challengeBody(), loginTimeout, [=, this](const RouterHttpResult& answer) {
                answerChallenge(url, answer, password, generation, done);
            });
        });
}

void GlinetAdapter::answerChallenge(const QUrl& url, const RouterHttpResult& answer, const QString& password,
                                    quint64 generation, const Done& done) {
    // Disconnected meanwhile: the cut-off answer is no rejection to report.
    if (generation != sessionGeneration) {
        done(false);
        return;
    }
    const std::optional<GlinetChallenge> challenge =
        answer.error ? std::nullopt : readGlinetChallenge(answer.body);
    if (challenge)
        access.logger.logDebug(VtCode::authDiag, QStringLiteral("alg:") + QString::number(challenge->alg));
    // A salt outside the crypt alphabet is as unusable as no challenge at all.
    const std::optional<QString> hash = challenge ? glinetLoginHash(*challenge, password) : std::nullopt;
    if (!hash) {
        access.logger.logError(VtCode::authRejected, QStringLiteral("no-challenge"));
        done(false);
        return;
    }
    // Sent at once: the router forgets the nonce after about a second.
    send(url, loginBody(*hash), loginTimeout, [this, generation, done](const RouterHttpResult& answer) {
        if (generation != sessionGeneration) {
            done(false);
            return;
        }
        const GlinetLoginResult login = readGlinetLoginAnswer(answer.error ? QByteArray() : answer.body);
        if (!login.sid) {
            access.logger.logError(VtCode::authRejected, login.rejectionDetail);
            done(false);
            return;
        }
        sid = login.sid;
        access.logger.logInfo(VtCode::authSucceeded, QString());
        done(true);
    });
}

void GlinetAdapter::logInAndStartMaster(ConnectCompletion completion) {
    logIn(false, [this, completion = std::move(completion)](bool loggedIn) {
        if (!loggedIn) {
            completion(false, httpAuthenticationFailed());
            return;
        }
        const RouterShell shell{ssh,        access.credentials, access.logger,
                                sshLogin(), shellGeneration,    shellGeneration.load()};
        runInBackground(
            access.pool, this, [shell] { return shell.ensureMaster(); },
            [completion](bool up) {
                completion(up, up ? std::nullopt : std::optional(sshConnectionFailed()));
            });
    });
}

void GlinetAdapter::requestClientList(bool isRetry, ListCompletion completion) {
    if (sid) {
        sendClientListCall(isRetry, std::move(completion));
        return;
    }
    logIn(true, [this, isRetry, completion = std::move(completion)](bool loggedIn) {
        if (loggedIn && sid)
            sendClientListCall(isRetry, completion);
        else
            completion(std::nullopt);
    });
}

void GlinetAdapter::sendClientListCall(bool isRetry, ListCompletion completion) {
    const std::optional<QUrl> url = rpcUrl(access.routerAddress());
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
    const RouterShell shell{ssh,        access.credentials, access.logger,
                            sshLogin(), shellGeneration,    shellGeneration.load()};
    runInBackground(
        access.pool, this, [shell, ip = row.ip, targetMAC] { return shell.findStation(ip, targetMAC); },
        [this, row, targetMAC,
         completion = std::move(completion)](const std::optional<QJsonObject>& station) {
            if (station && !hasLoggedGLiNetSSHDump) {
                writeDiagnosticDump(access.logger, glinetAssoclistDump(targetMAC, *station));
                hasLoggedGLiNetSSHDump = true;
            }
            completion(withRadio(row, station ? std::optional(radioFromStation(*station)) : std::nullopt));
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

SshLogin GlinetAdapter::sshLogin() const {
    return SshLogin::mainRouter(access.routerAddress());
}

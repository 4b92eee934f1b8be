#include "router/peplink/PeplinkAdapter.h"

#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/EventLogger.h"
#include "router/BackgroundTask.h"
#include "router/RouterUrl.h"
#include "router/identity/IdentityChangedMessage.h"
#include "router/keyring/RouterPassword.h"
#include "router/peplink/PeplinkAnswers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>

using namespace std::chrono_literals;

namespace {

const QString missingCredentials = QStringLiteral("Missing credentials");
const QString invalidAddress = QStringLiteral("Invalid IP");
const QString authenticationFailed = QStringLiteral("Authentication failed");

const QString grantPath = QStringLiteral("/api/auth.token.grant");
const QString clientStatusPath = QStringLiteral("/api/status.client");
const QString systemStatusPath = QStringLiteral("/api/status.system");

constexpr std::chrono::milliseconds requestTimeout = 5s;
constexpr std::chrono::milliseconds healthTimeout = 3s;

QByteArray bearer(const QString& token) {
    return "Bearer " + token.toUtf8();
}

} // namespace

PeplinkAdapter::PeplinkAdapter(RouterAccess& access)
    : access(access)
    , peplinkSession(RouterIdentityStore::beside(access.settings), access.logger) {}

// Requests still in flight end with the session; their completions are dropped
// because this object is their context and is going.
PeplinkAdapter::~PeplinkAdapter() = default;

void PeplinkAdapter::connect(ConnectCompletion completion) {
    grantToken([completion = std::move(completion)](const TokenGrant& grant) {
        if (grant.token)
            completion(true, std::nullopt);
        else
            completion(false, grant.failure);
    });
}

void PeplinkAdapter::fetchClients(ClientsCompletion completion) {
    grantToken([this, completion = std::move(completion)](const TokenGrant& grant) {
        if (!grant.token) {
            completion({});
            return;
        }
        getWithToken(clientStatusPath, *grant.token, requestTimeout,
                     [completion](std::optional<QByteArray> body) {
                         completion(body ? PeplinkAnswers::clientRows(*body) : QList<RouterClient>());
                     });
    });
}

void PeplinkAdapter::fetchClient(const QString& targetMAC, ClientCompletion completion) {
    fetchClients([targetMAC, completion = std::move(completion)](const QList<RouterClient>& rows) {
        completion(PeplinkAnswers::targetRow(rows, targetMAC));
    });
}

void PeplinkAdapter::probeRouterHealth(HealthCompletion completion) {
    getWithLastToken(systemStatusPath, healthTimeout,
                     [completion = std::move(completion)](std::optional<QByteArray> body) {
                         completion(body && PeplinkAnswers::isHealthy(*body));
                     });
}

void PeplinkAdapter::fetchModelName(ModelCompletion completion) {
    getWithLastToken(systemStatusPath, requestTimeout,
                     [completion = std::move(completion)](std::optional<QByteArray> body) {
                         completion(body ? PeplinkAnswers::modelName(*body)
                                         : PeplinkAnswers::defaultModelName);
                     });
}

// The token is all the state there is, and the health probe and model query
// still need it after a reset; the next fetch replaces it anyway.
void PeplinkAdapter::resetSession() {}

void PeplinkAdapter::disconnect() {
    ++disconnectCount;
    peplinkToken.reset();
    peplinkSession.abortAll();
}

void PeplinkAdapter::grantToken(GrantCompletion completion) {
    const QString username = access.settings.readString(SettingsKey::routerUsername).value_or(QString());
    if (username.isEmpty()) {
        later([completion = std::move(completion)] { completion({std::nullopt, missingCredentials}); });
        return;
    }
    const QString address = access.routerAddress();
    runInBackground(
        access.pool, this,
        [&credentials = access.credentials, address] { return readRouterPassword(credentials, address); },
        [this, address, username, startedAt = disconnectCount,
         completion = std::move(completion)](const QString& password) mutable {
            if (password.isEmpty()) {
                completion({std::nullopt, missingCredentials});
                return;
            }
            const std::optional<QUrl> url = urlFor(address, grantPath);
            if (!url) {
                completion({std::nullopt, invalidAddress});
                return;
            }
            if (startedAt != disconnectCount) {
                completion({std::nullopt, authenticationFailed});
                return;
            }
            sendGrant(address, *url, username, password, std::move(completion));
        });
}

void PeplinkAdapter::sendGrant(const QString& address, const QUrl& url, const QString& username,
                               const QString& password, GrantCompletion completion) {
    const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("username"), username},
                                                      {QStringLiteral("password"), password}})
                                .toJson(QJsonDocument::Compact);
    const RouterHttpRequest request{
        "POST", url, {{"Content-Type", "application/json"}}, body, requestTimeout};
    peplinkSession.send(request, this,
                        [this, address, completion = std::move(completion)](const RouterHttpResult& result) {
                            const std::optional<QString> token =
                                result.error ? std::nullopt : PeplinkAnswers::tokenFromGrant(result.body);
                            if (!token) {
                                completion({std::nullopt, result.error == RouterHttpError::identityChanged
                                                              ? certificateChangedMessage(address)
                                                              : authenticationFailed});
                                return;
                            }
                            peplinkSession.pinCertificate(result);
                            // Every poll is granted a token: only the first of a session
                            // is news worth a line in the journal.
                            if (!peplinkToken || peplinkToken->address != address)
                                access.logger.logInfo(VtCode::authSucceeded, QString());
                            peplinkToken = GrantedToken{address, *token};
                            completion({peplinkToken, QString()});
                        });
}

void PeplinkAdapter::getWithLastToken(const QString& path, std::chrono::milliseconds timeout,
                                      std::function<void(std::optional<QByteArray>)> completion) {
    // After a change of address the old router's token must not reach the new one.
    if (!peplinkToken || peplinkToken->address != access.routerAddress()) {
        later([completion = std::move(completion)] { completion(std::nullopt); });
        return;
    }
    getWithToken(path, *peplinkToken, timeout, std::move(completion));
}

void PeplinkAdapter::getWithToken(const QString& path, const GrantedToken& token,
                                  std::chrono::milliseconds timeout,
                                  std::function<void(std::optional<QByteArray>)> completion) {
    const std::optional<QUrl> url = urlFor(token.address, path);
    if (!url) {
        later([completion = std::move(completion)] { completion(std::nullopt); });
        return;
    }
    const RouterHttpRequest request{"GET", *url, {{"Authorization", bearer(token.token)}}, {}, timeout};
    peplinkSession.send(request, this, [completion = std::move(completion)](const RouterHttpResult& result) {
        completion(result.error ? std::nullopt : std::optional<QByteArray>(result.body));
    });
}

std::optional<QUrl> PeplinkAdapter::urlFor(const QString& address, const QString& path) {
    return routerUrl(QStringLiteral("https"), address, path);
}

void PeplinkAdapter::later(std::function<void()> work) {
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

#include "router/peplink/PeplinkAdapter.h"

#include "logs/EventLogger.h"
#include "router/BackgroundTask.h"
#include "router/RouterFamily.h"
#include "router/RouterUrl.h"
#include "router/identity/IdentityChangedMessage.h"
#include "router/identity/RouterLoginClearance.h"
#include "router/peplink/PeplinkAnswers.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QMetaObject>

using namespace std::chrono_literals;

namespace {

const QString missingCredentials = QStringLiteral("Missing credentials");
const QString invalidAddress = QStringLiteral("Invalid IP");
const QString authenticationFailed = QStringLiteral("Authentication failed");

constexpr std::chrono::milliseconds requestTimeout = 5s;
constexpr std::chrono::milliseconds healthTimeout = 3s;

// Without the full output the client list leaves out signal and speed.
const QString clientStatusPath = QStringLiteral("/api/status.client");
const QString clientStatusQuery = QStringLiteral("outputWeight=full");
const QString systemInfoPath = QStringLiteral("/api/status.system.info");
const QString systemInfoQuery = QStringLiteral("infoType=device");
const QString systemStatusPath = QStringLiteral("/api/status.system");

RouterHttpResult unanswered() {
    return {RouterHttpError::network, 0, {}, {}};
}

QString failureMessage(const PeplinkLogin::Result& result, const QString& address,
                       const QString& identitiesPath) {
    if (result.identityChanged)
        return certificateChangedMessage(address);
    if (result.identityNotSaved)
        return identitiesUnsavedMessage(identitiesPath);
    return authenticationFailed;
}

QString wayName(PeplinkLogin::Way way) {
    return way == PeplinkLogin::Way::tokenGrant ? QStringLiteral("token grant")
                                                : QStringLiteral("admin login");
}

} // namespace

PeplinkAdapter::PeplinkAdapter(RouterAccess& access)
    : access(access)
    , peplinkSession(RouterIdentityStore::beside(access.settings), access.logger) {}

// Requests still in flight end with the session; their completions are dropped
// because this object is their context and is going.
PeplinkAdapter::~PeplinkAdapter() = default;

void PeplinkAdapter::connect(ConnectCompletion completion) {
    // The user's connect starts a session of its own, with the keyring read afresh.
    forgetSession();
    logIn(true, [completion = std::move(completion)](const LoginGate::Outcome& outcome) {
        completion(outcome.success, outcome.success ? std::nullopt : outcome.message);
    });
}

void PeplinkAdapter::fetchClients(ClientsCompletion completion) {
    get({clientStatusPath, clientStatusQuery, requestTimeout},
        [completion = std::move(completion)](const RouterHttpResult& answer) {
            completion(answer.error ? std::nullopt : std::optional(PeplinkAnswers::clientRows(answer.body)));
        });
}

void PeplinkAdapter::fetchClient(const QString& targetMAC, ClientCompletion completion) {
    fetchClients(
        [targetMAC, completion = std::move(completion)](const std::optional<QList<RouterClient>>& rows) {
            completion(rows ? PeplinkAnswers::targetRow(*rows, targetMAC) : std::nullopt);
        });
}

void PeplinkAdapter::probeRouterHealth(HealthCompletion completion) {
    fetchSystem(healthTimeout, [completion = std::move(completion)](std::optional<QByteArray> body) {
        completion(body.has_value());
    });
}

void PeplinkAdapter::fetchModelName(ModelCompletion completion) {
    fetchSystem(requestTimeout, [completion = std::move(completion)](std::optional<QByteArray> body) {
        completion(body ? PeplinkAnswers::modelName(*body) : PeplinkAnswers::defaultModelName);
    });
}

void PeplinkAdapter::resetSession() {
    forgetSession();
}

void PeplinkAdapter::disconnect() {
    forgetSession();
    peplinkSession.abortAll();
}

void PeplinkAdapter::logIn(bool userAsked, LoginGate::Waiter waiter) {
    const QString address = access.routerAddress();
    sessionFor(address);
    gate.logIn(
        address, userAsked,
        [this, address](LoginGate::Finish finish) { attemptLogin(address, std::move(finish)); },
        std::move(waiter));
}

void PeplinkAdapter::attemptLogin(const QString& address, LoginGate::Finish finish) {
    const QString username = access.settings.readString(SettingsKey::routerUsername).value_or(QString());
    if (username.isEmpty())
        return later([finish = std::move(finish)] { finish({false, missingCredentials, false}); });
    const quint64 asked = generation;
    withPassword(address, [this, address, username, asked, finish](const RouterPasswordLookup& lookup) {
        // A forgotten session's login is dropped by the gate already.
        if (asked != generation)
            return finish({});
        if (!lookup.password)
            return finish({false, lookup.failure, lookup.identityRefused});
        if (!routerUrl(QStringLiteral("https"), address, QString()))
            return finish({false, invalidAddress, false});
        login.logIn({address, username, *lookup.password}, session.way,
                    [this, address, asked, finish](const PeplinkLogin::Result& result) {
                        if (asked != generation)
                            return finish({});
                        if (!result.credential) {
                            // The next login reads the keyring again: the user may mend it there.
                            // The gate holds automatic logins back after a refusal, so
                            // this is written once per attempt the user would count.
                            if (result.passwordRejected) {
                                session.password.reset();
                                access.logger.logError(VtCode::authRejected, wayName(session.way));
                            }
                            return finish({false,
                                           failureMessage(result, address, peplinkSession.identitiesPath()),
                                           result.passwordRejected});
                        }
                        if (!std::exchange(session.hasLoggedLogin, true))
                            access.logger.logInfo(VtCode::authSucceeded, wayName(result.credential->way));
                        session.credential = result.credential;
                        session.way = result.credential->way;
                        finish({true, std::nullopt, false});
                    });
    });
}

void PeplinkAdapter::withPassword(const QString& address,
                                  std::function<void(const RouterPasswordLookup&)> use) {
    if (session.password)
        return later([use = std::move(use), password = session.password] { use({password, QString()}); });
    const quint64 asked = generation;
    runInBackground(
        access.pool, this,
        [identities = RouterIdentityStore::beside(access.settings), &credentials = access.credentials,
         &logger = access.logger, address] {
            return clearRouterLogin(identities, credentials, logger, address, RouterFamily::peplink);
        },
        [this, asked, use = std::move(use)](const RouterPasswordLookup& lookup) {
            if (asked == generation && lookup.password)
                session.password = lookup.password;
            use(lookup);
        });
}

void PeplinkAdapter::get(const Call& call, AnswerDone done, bool mayLogInAgain) {
    const Session& current = sessionFor(access.routerAddress());
    if (current.credential)
        return send(
            call, *current.credential,
            [this, call, done, mayLogInAgain, sent = *current.credential](const RouterHttpResult& answer) {
                if (!mayLogInAgain ||
                    !PeplinkAnswers::refusesCredentials(answer.answeredStatus(), answer.body))
                    return done(answer);
                // The router has ended the session; a newer login since this
                // was sent stays.
                if (session.credential == sent)
                    session.credential.reset();
                get(call, done, false);
            });
    logIn(false, [this, call, done](const LoginGate::Outcome& outcome) {
        if (!outcome.success || !session.credential)
            return done(unanswered());
        // A credential this fresh that the router refuses is not worth another login.
        get(call, done, false);
    });
}

void PeplinkAdapter::send(const Call& call, const PeplinkLogin::Credential& credential, AnswerDone done) {
    std::optional<QUrl> url = routerUrl(QStringLiteral("https"), credential.address, call.path);
    if (!url)
        return later([done = std::move(done)] { done(unanswered()); });
    url->setQuery(call.query);
    peplinkSession.send({"GET", *url, {credential.header}, {}, call.timeout}, this, std::move(done));
}

void PeplinkAdapter::fetchSystem(std::chrono::milliseconds timeout,
                                 std::function<void(std::optional<QByteArray>)> done) {
    const auto served = [](const RouterHttpResult& answer) {
        return answer.error || !PeplinkAnswers::isHealthy(answer.body) ? std::nullopt
                                                                       : std::optional(answer.body);
    };
    const Call systemStatus{systemStatusPath, QString(), timeout};
    if (sessionFor(access.routerAddress()).answersAtSystemStatus)
        return get(systemStatus, [served, done](const RouterHttpResult& answer) { done(served(answer)); });
    const quint64 asked = generation;
    get({systemInfoPath, systemInfoQuery, timeout},
        [this, asked, systemStatus, served, done](const RouterHttpResult& answer) {
            // Only a router that answered, and not for want of a login, may lack the call.
            if (answer.error || served(answer) ||
                PeplinkAnswers::refusesCredentials(answer.answeredStatus(), answer.body))
                return done(served(answer));
            get(systemStatus, [this, asked, served, done](const RouterHttpResult& answer) {
                if (served(answer) && asked == generation)
                    session.answersAtSystemStatus = true;
                done(served(answer));
            });
        });
}

PeplinkAdapter::Session& PeplinkAdapter::sessionFor(const QString& address) {
    if (session.address != address) {
        forgetSession();
        session.address = address;
    }
    return session;
}

void PeplinkAdapter::forgetSession() {
    ++generation;
    session = Session();
    gate.reset();
}

void PeplinkAdapter::later(std::function<void()> work) {
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

std::optional<QString> PeplinkAdapter::loginRefusal() const {
    return gate.refusalMessage(access.routerAddress());
}

#include "router/unifi/UniFiAdapter.h"

#include "logs/EventLogger.h"
#include "router/BackgroundTask.h"
#include "router/DiagnosticDump.h"
#include "router/RouterFamily.h"
#include "router/RouterText.h"
#include "router/RouterUrl.h"
#include "router/RowNormalisation.h"
#include "router/identity/IdentityChangedMessage.h"
#include "router/identity/RouterLoginClearance.h"
#include "router/keyring/RouterPassword.h"
#include "router/unifi/UniFiAccessPointLookup.h"
#include "router/unifi/UniFiAnswer.h"
#include "router/unifi/UniFiStationRow.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QUrl>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds apiTimeout = 5s;
constexpr std::chrono::milliseconds shortTimeout = 3s;

// "https://" + address (+ port), when the address is a host and nothing more:
// it also becomes the Origin the console checks.
std::optional<QString> consoleBase(const QString& address, const QString& port = {}) {
    if (!routerUrl(QStringLiteral("https"), address + port, QString()))
        return std::nullopt;
    return QStringLiteral("https://") + address + port;
}

QString modelForShortName(const QString& shortName) {
    static const QHash<QString, QString> models = {
        {QStringLiteral("UDRULT"), QStringLiteral("UCG Ultra")},
        {QStringLiteral("UDR"), QStringLiteral("Dream Router")},
        {QStringLiteral("UDMPRO"), QStringLiteral("Dream Machine Pro")},
        {QStringLiteral("UDMPROSE"), QStringLiteral("Dream Machine Pro SE")},
        {QStringLiteral("UDM"), QStringLiteral("Dream Machine")},
        {QStringLiteral("UNVR"), QStringLiteral("UniFi NVR")},
    };
    if (const auto model = models.constFind(shortName); model != models.cend())
        return *model;
    const QString shown = routerText(shortName, RouterTextKind::name);
    return shown.isEmpty() ? QStringLiteral("UniFi Controller") : QStringLiteral("UniFi ") + shown;
}

QJsonObject answerObject(const RouterHttpResult& answer) {
    if (answer.error)
        return {};
    const std::optional<QJsonDocument> document = parseRouterJson(answer.body);
    return document ? document->object() : QJsonObject();
}

RouterHttpResult unsentRequest() {
    return {RouterHttpError::network, 0, {}, {}};
}

} // namespace

UniFiAdapter::UniFiAdapter(RouterAccess& access)
    : access(access)
    , accessPoint(*this, access)
    , uniFiSession(RouterIdentityStore::beside(access.settings), access.logger) {}

UniFiAdapter::~UniFiAdapter() = default;

void UniFiAdapter::connect(ConnectCompletion completion) {
    logIn(true, [completion = std::move(completion)](const LoginGate::Outcome& login) {
        completion(login.success, login.message);
    });
}

void UniFiAdapter::fetchClients(ClientsCompletion completion) {
    fetchStationList([completion](const std::optional<QJsonArray>& stations) {
        completion(stations ? std::optional(uniFiStationRows(*stations)) : std::nullopt);
    });
}

void UniFiAdapter::fetchClient(const QString& targetMAC, ClientCompletion completion) {
    const QString mac = targetMAC.trimmed().toLower();
    if (!accessPoint.isResolved(mac))
        return fetchFromStationList(mac, std::move(completion));
    const quint64 asked = generation;
    accessPoint.query(mac, apCredentials(), [this, mac, asked, completion](std::optional<RouterClient> row) {
        // A disconnect while the access point was asked must not log in again.
        if (asked != generation)
            return completion(std::nullopt);
        if (!row)
            return fetchFromStationList(mac, completion);
        // Some access points keep no counters; the controller's serve instead.
        if (row->txBytes == 0 && row->rxBytes == 0)
            return completeCounters(*row, completion);
        completion(row);
    });
}

void UniFiAdapter::fetchSettledClient(const QString& targetMAC, ClientCompletion completion) {
    const QString mac = targetMAC.trimmed().toLower();
    fetchClient(mac, [this, mac, completion](const std::optional<RouterClient>& first) {
        if (!first || accessPoint.isResolved(mac) || !accessPoint.isLookingUp(mac))
            return completion(first);
        // A look-up reads the site's devices and brings a master up, which
        // takes a few seconds at most (the master's own start is bounded).
        awaitLookUp(mac, 100, [this, mac, first, completion] {
            if (!accessPoint.isResolved(mac))
                return completion(first);
            fetchClient(mac, [first, completion](const std::optional<RouterClient>& settled) {
                completion(settled ? settled : first);
            });
        });
    });
}

void UniFiAdapter::awaitLookUp(const QString& mac, int checksLeft, std::function<void()> done) {
    if (!accessPoint.isLookingUp(mac) || checksLeft == 0)
        return done();
    const quint64 asked = generation;
    QTimer::singleShot(100, this, [this, mac, checksLeft, asked, done] {
        if (asked == generation)
            awaitLookUp(mac, checksLeft - 1, done);
        else
            done();
    });
}

void UniFiAdapter::probeRouterHealth(HealthCompletion completion) {
    // A classic controller serves no /api/system on 443: asking there would
    // mark every such router unreachable. Its own liveness page answers instead.
    if (!uniFiBaseURL.isEmpty() && !uniFiAPIBase.contains(QStringLiteral("proxy"))) {
        sendToConsole({"GET", QUrl(uniFiBaseURL + QStringLiteral("/status")), {}, {}, shortTimeout},
                      [completion](const RouterHttpResult& answer) {
                          const QJsonObject meta =
                              answerObject(answer).value(QStringLiteral("meta")).toObject();
                          completion(meta.value(QStringLiteral("up")).toBool() ||
                                     meta.value(QStringLiteral("rc")).toString() == QStringLiteral("ok"));
                      });
        return;
    }
    fetchSystem([completion](const RouterHttpResult& answer) {
        const QJsonObject system = answerObject(answer);
        completion(system.contains(QStringLiteral("hardware")) || system.contains(QStringLiteral("name")));
    });
}

void UniFiAdapter::fetchModelName(ModelCompletion completion) {
    fetchSystem([completion](const RouterHttpResult& answer) {
        const QJsonObject hardware = answerObject(answer).value(QStringLiteral("hardware")).toObject();
        completion(modelForShortName(hardware.value(QStringLiteral("shortname")).toString()));
    });
}

void UniFiAdapter::resetSession() {
    ++generation;
    gate.reset();
    uniFiBaseURL.clear();
    uniFiAPIBase.clear();
    uniFiCookie.clear();
    uniFiCSRFToken.clear();
    hasLoggedUniFiRESTDump = false;
    accessPoint.reset();
    apSSHUsername.clear();
    apSSHPassword.clear();
}

void UniFiAdapter::disconnect() {
    // Ended first, so that the logout itself still goes out.
    uniFiSession.abortAll();
    if (uniFiBaseURL.isEmpty())
        return;
    const QString path = uniFiAPIBase.contains(QStringLiteral("proxy")) ? QStringLiteral("/api/auth/logout")
                                                                        : QStringLiteral("/api/logout");
    uniFiSession.send({"POST", QUrl(uniFiBaseURL + path), sessionHeaders(), {}, shortTimeout}, this,
                      [](const RouterHttpResult&) {});
}

void UniFiAdapter::fetchAPSSHCredentials() {
    readAPSSHCredentials([] {});
}

void UniFiAdapter::readAPSSHCredentials(std::function<void()> done) {
    const quint64 asked = generation;
    ensureLoggedIn([this, asked, done](bool loggedIn) {
        if (asked != generation)
            return;
        if (!loggedIn)
            return done();
        sendToAPI(QStringLiteral("/rest/setting/mgmt"), [this, asked, done](const RouterHttpResult& answer) {
            if (asked != generation)
                return;
            if (const std::optional<AccessPointSSHCredentials> found =
                    answer.error ? std::nullopt : accessPointSSHCredentials(answer.body)) {
                apSSHUsername = found->username;
                apSSHPassword = found->password;
            }
            done();
        });
    });
}

void UniFiAdapter::logIn(bool userAsked, LoginGate::Waiter done) {
    const QString address = access.routerAddress();
    const Endpoint uniFiOS{consoleBase(address).value_or(QString()), QStringLiteral("/api/auth/login"),
                           QStringLiteral("/proxy/network/api/s/default")};
    const Endpoint classic{consoleBase(address, QStringLiteral(":8443")).value_or(QString()),
                           QStringLiteral("/api/login"), QStringLiteral("/api/s/default")};
    if (!uniFiCookie.isEmpty() &&
        (uniFiAPIBase == uniFiOS.base + uniFiOS.apiPath || uniFiAPIBase == classic.base + classic.apiPath))
        return later([done] { done({true, std::nullopt, false}); });
    gate.logIn(
        address, userAsked,
        [this, address, uniFiOS, classic](LoginGate::Finish finish) {
            logInToEither(address, uniFiOS, classic, std::move(finish));
        },
        std::move(done));
}

void UniFiAdapter::logInToEither(const QString& address, const Endpoint& uniFiOS, const Endpoint& classic,
                                 LoginGate::Finish finish) {
    const QString username = access.settings.readString(SettingsKey::routerUsername).value_or(QString());
    const quint64 asked = generation;
    runInBackground(
        access.pool, this,
        [identities = RouterIdentityStore::beside(access.settings), &credentials = access.credentials,
         &logger = access.logger,
         address] { return clearRouterLogin(identities, credentials, logger, address, RouterFamily::unifi); },
        [this, asked, uniFiOS, classic, username, finish](const RouterPasswordLookup& lookup) {
            // A session forgotten while this ran sets nothing; the gate has
            // already told its callers.
            if (asked != generation)
                return finish({});
            if (!lookup.password)
                return finish({false, lookup.failure, lookup.identityRefused});
            const QString password = *lookup.password;
            attemptLogin(uniFiOS, username, password,
                         [this, asked, classic, username, password, finish](UniFiLoginVerdict first) {
                             if (asked != generation)
                                 return finish({});
                             if (first == UniFiLoginVerdict::accepted)
                                 return finish({true, std::nullopt, false});
                             // A cloud account fails on the classic controller too.
                             if (first == UniFiLoginVerdict::ssoAccount)
                                 return finish({false, uniFiSSOAccountMessage(), true});
                             if (first == UniFiLoginVerdict::identityNotSaved)
                                 return finish({false, loginFailureMessage(first, first), false});
                             attemptLogin(classic, username, password,
                                          [this, first, finish](UniFiLoginVerdict second) {
                                              if (second == UniFiLoginVerdict::accepted)
                                                  return finish({true, std::nullopt, false});
                                              // The two generations are one login: either one
                                              // turning the password down is the router's refusal.
                                              const bool refused = first == UniFiLoginVerdict::rejected ||
                                                                   second == UniFiLoginVerdict::rejected ||
                                                                   second == UniFiLoginVerdict::ssoAccount;
                                              // The gate holds automatic logins back after a
                                              // refusal: one line per attempt the user would count.
                                              if (refused)
                                                  access.logger.logError(VtCode::authRejected,
                                                                         access.routerAddress());
                                              finish({false, loginFailureMessage(first, second), refused});
                                          });
                         });
        });
}

void UniFiAdapter::attemptLogin(const Endpoint& endpoint, const QString& username, const QString& password,
                                std::function<void(UniFiLoginVerdict)> done) {
    if (endpoint.base.isEmpty() || username.isEmpty())
        return done(UniFiLoginVerdict::inconclusive);
    const QJsonObject body{{QStringLiteral("username"), username},
                           {QStringLiteral("password"), password},
                           {QStringLiteral("remember"), true}};
    const QByteArray origin = endpoint.base.toUtf8();
    RouterHttpRequest request{
        "POST",
        QUrl(endpoint.base + endpoint.loginPath),
        {{"Content-Type", "application/json"}, {"Origin", origin}, {"Referer", origin + '/'}},
        QJsonDocument(body).toJson(QJsonDocument::Compact),
        apiTimeout};
    const quint64 asked = generation;
    uniFiSession.send(request, this, [this, endpoint, asked, done](const RouterHttpResult& answer) {
        const UniFiLoginOutcome outcome =
            uniFiLoginOutcome(answer.answeredStatus(), answer.headers, answer.body);
        if (asked != generation)
            return done(UniFiLoginVerdict::inconclusive);
        if (answer.error == RouterHttpError::identityChanged)
            return done(UniFiLoginVerdict::identityChanged);
        if (outcome.verdict == UniFiLoginVerdict::accepted) {
            if (!uniFiSession.keepLogin(access.routerAddress(), answer, {.family = RouterFamily::unifi}))
                return done(UniFiLoginVerdict::identityNotSaved);
            uniFiBaseURL = endpoint.base;
            uniFiAPIBase = endpoint.base + endpoint.apiPath;
            uniFiCookie = outcome.cookie;
            uniFiCSRFToken = outcome.csrfToken;
            access.logger.logInfo(VtCode::authSucceeded, endpoint.base);
        }
        done(outcome.verdict);
    });
}

QString UniFiAdapter::loginFailureMessage(UniFiLoginVerdict console, UniFiLoginVerdict classic) const {
    // When a port showed another certificate than pinned, no password went
    // there: that is the news, not a wrong password.
    if (console == UniFiLoginVerdict::identityChanged || classic == UniFiLoginVerdict::identityChanged)
        return certificateChangedMessage(access.routerAddress());
    if (console == UniFiLoginVerdict::identityNotSaved || classic == UniFiLoginVerdict::identityNotSaved)
        return identitiesUnsavedMessage(uniFiSession.identitiesPath());
    return uniFiAuthenticationFailedMessage();
}

void UniFiAdapter::ensureLoggedIn(std::function<void(bool)> done) {
    if (!uniFiCookie.isEmpty())
        return done(true);
    logIn(false, [done](const LoginGate::Outcome& login) { done(login.success); });
}

QList<QPair<QByteArray, QByteArray>> UniFiAdapter::sessionHeaders() const {
    QList<QPair<QByteArray, QByteArray>> headers;
    if (!uniFiCookie.isEmpty())
        headers.append({"Cookie", uniFiCookie.toUtf8()});
    if (!uniFiCSRFToken.isEmpty())
        headers.append({"X-CSRF-Token", uniFiCSRFToken.toUtf8()});
    return headers;
}

void UniFiAdapter::sendToAPI(const QString& path, AnswerDone done) {
    if (uniFiAPIBase.isEmpty())
        return later([done] { done(unsentRequest()); });
    const QString cookie = uniFiCookie;
    sendToConsole({"GET", QUrl(uniFiAPIBase + path), sessionHeaders(), {}, apiTimeout},
                  [this, cookie, done](const RouterHttpResult& answer) {
                      // The session has expired; the next request logs in
                      // again. A newer login since this was sent stays.
                      if (answer.answeredStatus() == 401 && uniFiCookie == cookie)
                          uniFiCookie.clear();
                      done(answer);
                  });
}

void UniFiAdapter::sendToConsole(const RouterHttpRequest& request, AnswerDone done) {
    uniFiSession.send(request, this, [this, done](const RouterHttpResult& answer) {
        if (answer.error == RouterHttpError::identityChanged) {
            // The next poll logs in again, and that login meets the same refusal.
            uniFiCookie.clear();
            uniFiCSRFToken.clear();
            accessPoint.reset();
        }
        done(answer);
    });
}

void UniFiAdapter::fetchStationList(StationsDone done) {
    ensureLoggedIn([this, done](bool loggedIn) {
        if (!loggedIn)
            return done(std::nullopt);
        const quint64 asked = generation;
        sendToAPI(QStringLiteral("/stat/sta"), [this, asked, done](const RouterHttpResult& answer) {
            if (asked != generation || answer.error || answer.status == 401)
                return done(std::nullopt);
            const std::optional<QJsonArray> stations = uniFiData(answer.body);
            if (stations)
                dumpTargetStationOnce(*stations);
            done(stations);
        });
    });
}

void UniFiAdapter::dumpTargetStationOnce(const QJsonArray& stations) {
    if (hasLoggedUniFiRESTDump)
        return;
    const QString target = access.settings.readString(SettingsKey::targetMAC).value_or(QString()).trimmed();
    const std::optional<QJsonObject> station = uniFiObjectForMAC(stations, target);
    if (!station)
        return;
    hasLoggedUniFiRESTDump = true;
    writeDiagnosticDump(access.logger,
                        uniFiStationDump(*station, station->value(QStringLiteral("mac")).toString()));
}

void UniFiAdapter::fetchSystem(AnswerDone done) {
    const std::optional<QString> base = consoleBase(access.routerAddress());
    if (!base)
        return later([done] { done(unsentRequest()); });
    sendToConsole({"GET", QUrl(*base + QStringLiteral("/api/system")), {}, {}, shortTimeout},
                  std::move(done));
}

void UniFiAdapter::fetchFromStationList(const QString& mac, ClientCompletion completion) {
    fetchStationList([this, mac, completion](const std::optional<QJsonArray>& stations) {
        const std::optional<QJsonObject> station =
            stations ? uniFiObjectForMAC(*stations, mac) : std::nullopt;
        std::optional<RouterClient> row = station ? uniFiStationRow(*station) : std::nullopt;
        if (row) {
            accessPoint.rememberStationRow(mac, *row);
            if (const std::optional<QString> apMAC = uniFiAccessPointMAC(*stations, mac)) {
                row->accessPoint = accessPoint.accessPointName(*apMAC);
                if (accessPoint.needsLookUp(mac, *apMAC))
                    lookUpAccessPoint(mac, *apMAC);
            }
        }
        completion(row);
    });
}

void UniFiAdapter::completeCounters(RouterClient row, ClientCompletion completion) {
    fetchStationList([row, completion](const std::optional<QJsonArray>& stations) mutable {
        const std::optional<QJsonObject> station =
            stations ? uniFiObjectForMAC(*stations, row.mac) : std::nullopt;
        if (const std::optional<RouterClient> listed = station ? uniFiStationRow(*station) : std::nullopt) {
            row.txBytes = listed->txBytes;
            row.rxBytes = listed->rxBytes;
        }
        completion(row);
    });
}

// The station list the poll has just read names the access point: asking for
// it again would put a second list request beside the next poll's whenever
// the console is slow.
void UniFiAdapter::lookUpAccessPoint(const QString& mac, const QString& apMAC) {
    accessPoint.beginLookUp(mac);
    const quint64 asked = generation;
    sendToAPI(QStringLiteral("/stat/device"), [this, mac, asked, apMAC](const RouterHttpResult& devices) {
        if (asked != generation)
            return;
        const std::optional<QJsonArray> data = uniFiData(devices.body);
        const AccessPointAddress address =
            data ? accessPoint.addressToContact(*data, apMAC) : AccessPointAddress();
        if (!address.ip)
            return accessPoint.abandonLookUp(mac);
        if (!apSSHPassword.isEmpty())
            return accessPoint.finishLookUp(mac, apMAC, address, apCredentials());
        // A session reset (each router recovery makes one) forgets the
        // device login; without it the access point could never be
        // asked again, so it is read afresh here.
        readAPSSHCredentials([this, mac, apMAC, asked, address] {
            if (asked == generation)
                accessPoint.finishLookUp(mac, apMAC, address, apCredentials());
        });
    });
}

std::optional<QString> UniFiAdapter::loginRefusal() const {
    return gate.refusalMessage(access.routerAddress());
}

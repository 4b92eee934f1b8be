#include "router/RouterTypeDetector.h"

#include "router/RouterFamily.h"
#include "router/RouterUrl.h"
#include "router/RowNormalisation.h"
#include "router/glinet/GlinetRpcAnswer.h"

#include <QList>
#include <QMetaObject>
#include <QUrl>
#include <optional>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds probeTimeout = 3s;

// One family's question and how its answer is recognised.
struct Probe {
    QString family;
    RouterHttpRequest request;
    bool (*answersAsFamily)(const RouterHttpResult&);
};

bool answersGlinetChallenge(const RouterHttpResult& result) {
    if (result.error)
        return false;
    const std::optional<GlinetRpcAnswer> answer = readGlinetRpcAnswer(result.body);
    return answer && answer->result.value(QStringLiteral("salt")).isString();
}

bool answersUniFiSystem(const RouterHttpResult& result) {
    if (result.error)
        return false;
    const std::optional<QJsonDocument> document = parseRouterJson(result.body);
    return document && document->isObject() && document->object().contains(QStringLiteral("hardware"));
}

bool answersPeplinkStatus(const RouterHttpResult& result) {
    if (result.error)
        return false;
    for (const auto& [name, value] : result.headers) {
        if (name.compare("X-Peplink-API", Qt::CaseInsensitive) == 0)
            return true;
        // A device that wants a login still names itself in its challenge.
        if (result.status == 401 && name.compare("WWW-Authenticate", Qt::CaseInsensitive) == 0 &&
            value.toLower().contains("peplink"))
            return true;
    }
    return false;
}

std::optional<QList<Probe>> probesFor(const QString& address) {
    // GL.iNet firmware 4 serves /rpc over HTTPS as well, and some only there.
    const std::optional<QUrl> glinet = routerUrl(QStringLiteral("https"), address, QStringLiteral("/rpc"));
    const std::optional<QUrl> glinetInClear =
        routerUrl(QStringLiteral("http"), address, QStringLiteral("/rpc"));
    const std::optional<QUrl> uniFi =
        routerUrl(QStringLiteral("https"), address, QStringLiteral("/api/system"));
    const std::optional<QUrl> peplink =
        routerUrl(QStringLiteral("https"), address, QStringLiteral("/api/status.system"));
    if (!glinet || !glinetInClear || !uniFi || !peplink)
        return std::nullopt;
    const QByteArray challenge = R"({"method": "challenge", "params": {"username": "root"}, "id": 1})";
    return QList<Probe>{
        {RouterFamily::glinet,
         {"POST", *glinet, {{"Content-Type", "application/json"}}, challenge, probeTimeout},
         answersGlinetChallenge},
        {RouterFamily::glinet,
         {"POST", *glinetInClear, {{"Content-Type", "application/json"}}, challenge, probeTimeout},
         answersGlinetChallenge},
        {RouterFamily::unifi, {"GET", *uniFi, {}, {}, probeTimeout}, answersUniFiSystem},
        {RouterFamily::peplink, {"GET", *peplink, {}, {}, probeTimeout}, answersPeplinkStatus},
    };
}

// One probe after the other, so a router never sees two families' questions at
// once and the first family that answers wins.
void runProbes(RouterHttpSession& session, QObject* context, QList<Probe> probes,
               RouterTypeDetector::Completion completion) {
    if (probes.isEmpty()) {
        completion(RouterFamily::unknown);
        return;
    }
    const Probe probe = probes.takeFirst();
    session.send(probe.request, context,
                 [&session, context, probe, probes = std::move(probes),
                  completion = std::move(completion)](const RouterHttpResult& result) {
                     if (probe.answersAsFamily(result))
                         completion(probe.family);
                     else
                         runProbes(session, context, probes, completion);
                 });
}

} // namespace

RouterTypeDetector::RouterTypeDetector(QObject* parent)
    : QObject(parent) {}

void RouterTypeDetector::detectRouterType(const QString& address, Completion completion) {
    std::optional<QList<Probe>> probes = probesFor(address);
    if (!probes) {
        QMetaObject::invokeMethod(
            this, [completion = std::move(completion)] { completion(RouterFamily::unknown); },
            Qt::QueuedConnection);
        return;
    }
    runProbes(session, this, std::move(*probes), std::move(completion));
}

#include "ControlResponder.h"

#include "ServerTls.h"

#include <QJsonObject>

namespace {

HttpResponse answer(int status, const QString& error = {}) {
    QJsonObject body{{QStringLiteral("ok"), error.isEmpty()}};
    if (!error.isEmpty())
        body.insert(QStringLiteral("error"), error);
    return HttpResponse::json(status, QJsonDocument(body));
}

template <typename T> std::optional<T> numberField(const QJsonObject& body, const QString& key) {
    const QJsonValue value = body.value(key);
    if (!value.isDouble())
        return std::nullopt;
    return static_cast<T>(value.toDouble());
}

std::optional<std::uint64_t> counterField(const QJsonObject& body, const QString& key) {
    const std::optional<double> value = numberField<double>(body, key);
    if (!value || *value < 0.0)
        return std::nullopt;
    return static_cast<std::uint64_t>(*value);
}

std::optional<QString> stringField(const QJsonObject& body, const QString& key) {
    const QJsonValue value = body.value(key);
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}

} // namespace

ControlResponder::ControlResponder(Targets targets, std::function<qint64()> clockMs,
                                   std::function<void()> changed, PresentTls presentTls,
                                   std::function<void()> servicesChanged)
    : targets(targets)
    , clockMs(std::move(clockMs))
    , changed(std::move(changed))
    , presentTls(std::move(presentTls))
    , servicesChanged(std::move(servicesChanged)) {}

HttpResponse ControlResponder::respond(const HttpRequest& request) {
    const QByteArray path = request.path();
    if (path == "/control/requests" && request.method == "GET")
        return HttpResponse::json(200, QJsonDocument(targets.requests.json()));
    if (path != "/control")
        return answer(404, QStringLiteral("no such path"));
    if (request.method != "POST")
        return answer(405, QStringLiteral("POST a command"));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return answer(400, QStringLiteral("the body is not a JSON object"));
    return command(document.object());
}

HttpResponse ControlResponder::command(const QJsonObject& body) {
    const QString name = body.value(QStringLiteral("command")).toString();
    RouterConditions& conditions = targets.conditions;
    const bool on = body.value(QStringLiteral("on")).toBool(true);
    if (name == QStringLiteral("set")) {
        const ClientBook::Pin pin{numberField<int>(body, QStringLiteral("rssi")),
                                  numberField<double>(body, QStringLiteral("txRate")),
                                  counterField(body, QStringLiteral("txBytes")),
                                  counterField(body, QStringLiteral("rxBytes")),
                                  stringField(body, QStringLiteral("apMac")),
                                  stringField(body, QStringLiteral("apInterface"))};
        if (!targets.clients.pin(body.value(QStringLiteral("mac")).toString(), pin, clockMs()))
            return answer(404, QStringLiteral("no client with that mac"));
        changed();
    } else if (name == QStringLiteral("expireSessions")) {
        targets.sessions.expireAll();
        conditions.sessionStorm = body.value(QStringLiteral("storm")).toBool();
        conditions.glinetExpiry = body.value(QStringLiteral("style")).toString() == QStringLiteral("http401")
                                      ? GlinetExpiry::http401
                                      : GlinetExpiry::rpcError;
    } else if (name == QStringLiteral("requireMfa")) {
        conditions.requireMfa = on;
    } else if (name == QStringLiteral("rejectPassword")) {
        conditions.rejectPassword = on;
    } else if (name == QStringLiteral("malformed")) {
        conditions.malformed = on;
        conditions.malformedStyle = body.value(QStringLiteral("style")).toString() == QStringLiteral("cut")
                                        ? MalformedStyle::cutJson
                                        : MalformedStyle::htmlPage;
    } else if (name == QStringLiteral("delayMs")) {
        const std::optional<int> value = numberField<int>(body, QStringLiteral("value"));
        // Longer than any client waits; more would only pile up connections.
        if (!value || *value < 0 || *value > 120000)
            return answer(400, QStringLiteral("delayMs wants a value from 0 to 120000"));
        conditions.delayMs = *value;
    } else if (name == QStringLiteral("resetMidBody")) {
        conditions.resetMidBody = on;
    } else if (name == QStringLiteral("padTo")) {
        const std::optional<qint64> value = numberField<qint64>(body, QStringLiteral("bytes"));
        // Beyond any client's bound; more would only cost the lab memory.
        if (!value || *value < 0 || *value > 64 * 1024 * 1024)
            return answer(400, QStringLiteral("padTo wants bytes from 0 to 64 MiB"));
        conditions.padToBytes = *value;
    } else if (name == QStringLiteral("peplinkFirmware8")) {
        conditions.peplinkFirmware8 = on;
    } else if (name == QStringLiteral("httpOnly")) {
        conditions.httpOnly = on;
        servicesChanged();
    } else if (name == QStringLiteral("glinetLogin")) {
        const std::optional<int> alg = numberField<int>(body, QStringLiteral("alg"));
        if (!alg)
            return answer(400, QStringLiteral("glinetLogin wants an alg and perhaps a hashMethod"));
        conditions.glinetAlg = alg;
        conditions.glinetHashMethod = body.value(QStringLiteral("hashMethod")).toString();
    } else if (name == QStringLiteral("impersonate")) {
        const QString family = body.value(QStringLiteral("family")).toString();
        if (family != QStringLiteral("glinet"))
            return answer(400, QStringLiteral("impersonate knows the family glinet"));
        conditions.impersonating = family;
        servicesChanged();
    } else if (name == QStringLiteral("silent")) {
        conditions.silent = on;
    } else if (name == QStringLiteral("certificate")) {
        // The router was replaced or reset: another certificate at the same address.
        QString error;
        const std::optional<QSslConfiguration> tls =
            serverTls(body.value(QStringLiteral("cert")).toString(),
                      body.value(QStringLiteral("key")).toString(), &error);
        if (!tls)
            return answer(400, error);
        presentTls(tls);
    } else if (name == QStringLiteral("reset")) {
        presentTls(std::nullopt);
        conditions = RouterConditions();
        targets.clients.reset(clockMs());
        targets.requests.clear();
        changed();
        servicesChanged();
    } else {
        return answer(400, QStringLiteral("unknown command"));
    }
    return answer(200);
}

#include "PeplinkResponder.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

const QByteArray jsonType = QByteArrayLiteral("application/json");

HttpResponse ok(const QJsonObject& response) {
    HttpResponse answer =
        HttpResponse::json(200,
                           QJsonDocument(QJsonObject{{QStringLiteral("stat"), QStringLiteral("ok")},
                                                     {QStringLiteral("response"), response}}),
                           jsonType);
    answer.withHeader("X-Peplink-API", "1");
    return answer;
}

HttpResponse fail(int status, int code, const QString& message) {
    return HttpResponse::json(status,
                              QJsonDocument(QJsonObject{{QStringLiteral("stat"), QStringLiteral("fail")},
                                                        {QStringLiteral("code"), code},
                                                        {QStringLiteral("message"), message}}),
                              jsonType);
}

QJsonObject clientEntry(const SimClient& client) {
    QJsonObject entry{
        {QStringLiteral("ip"), client.ip},
        {QStringLiteral("connectionType"),
         client.wired ? QStringLiteral("ethernet") : QStringLiteral("wireless")},
        {QStringLiteral("lease"),
         QJsonObject{{QStringLiteral("expiresIn"), 53128}, {QStringLiteral("type"), QStringLiteral("dhcp")}}},
        {QStringLiteral("name"), client.name},
        {QStringLiteral("mac"), client.mac.toUpper()},
        {QStringLiteral("active"), client.online},
        {QStringLiteral("vlanId"), 0},
    };
    if (!client.wired) {
        entry.insert(QStringLiteral("signalStrength"), client.rssi);
        entry.insert(QStringLiteral("speed"), client.txRate);
        entry.insert(QStringLiteral("channel"), client.channel);
        entry.insert(QStringLiteral("tx_bytes"), static_cast<double>(client.txBytes));
        entry.insert(QStringLiteral("rx_bytes"), static_cast<double>(client.rxBytes));
    }
    return entry;
}

} // namespace

PeplinkResponder::PeplinkResponder(const Scenario& scenario, SessionBook& sessions,
                                   const RouterConditions& conditions)
    : scenario(scenario)
    , sessions(sessions)
    , conditions(conditions) {}

HttpResponse PeplinkResponder::respond(const HttpRequest& request, const QList<SimClient>& clients) {
    const QByteArray path = request.path();
    if (path == "/api/auth.token.grant" && request.method == "POST")
        return grant(request);
    if (path != "/api/status.client" && path != "/api/status.system")
        return fail(404, 404, QStringLiteral("Not found"));
    if (!isAuthorized(request)) {
        HttpResponse refusal = fail(401, 401, QStringLiteral("Unauthorized"));
        refusal.withHeader("WWW-Authenticate", "Bearer realm=\"Peplink\"");
        return refusal;
    }
    if (path == "/api/status.system") {
        return ok({{QStringLiteral("device"),
                    QJsonObject{{QStringLiteral("serialNumber"), QStringLiteral("2931-0000-0001")},
                                {QStringLiteral("name"), QStringLiteral("Studio Router")},
                                {QStringLiteral("model"), scenario.peplinkModel},
                                {QStringLiteral("productCode"), QStringLiteral("BPL-021")},
                                {QStringLiteral("hardwareRevision"), QStringLiteral("1")},
                                {QStringLiteral("firmwareVersion"), QStringLiteral("8.4.0 build 5210")},
                                {QStringLiteral("company"), QStringLiteral("Peplink")},
                                {QStringLiteral("legal"), true}}}});
    }
    QJsonArray list;
    // The device lists only clients it currently sees.
    for (const SimClient& client : clients)
        if (client.online)
            list.append(clientEntry(client));
    return ok({{QStringLiteral("list"), list}});
}

HttpResponse PeplinkResponder::grant(const HttpRequest& request) {
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    if (conditions.rejectPassword || body.value(QStringLiteral("username")).toString() != scenario.username ||
        body.value(QStringLiteral("password")).toString() != scenario.password)
        return fail(200, 401, QStringLiteral("Invalid username or password"));
    return ok({{QStringLiteral("accessToken"), sessions.open()},
               {QStringLiteral("authorizationType"), QStringLiteral("3")},
               {QStringLiteral("scope"), QStringLiteral("api")},
               {QStringLiteral("expiresIn"), QStringLiteral("172800")}});
}

bool PeplinkResponder::isAuthorized(const HttpRequest& request) const {
    const QByteArray authorization = request.header("Authorization");
    if (!authorization.startsWith("Bearer "))
        return false;
    return sessions.isOpen(QString::fromLatin1(authorization.mid(7).trimmed()));
}

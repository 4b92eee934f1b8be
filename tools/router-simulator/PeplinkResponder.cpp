#include "PeplinkResponder.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUrlQuery>
#include <algorithm>

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

const QString refusedLogin = QStringLiteral("Invalid username or password");

// Firmware 8 wraps each reading in an object with its unit, shows the signal
// as bars besides, gives rates in kbit/s both ways and names the band. The
// simulator keeps one rate per station; the upload is half of it, so a reader
// that took the wrong direction shows.
void insertFirmware8Readings(QJsonObject& entry, const SimClient& client) {
    const int bars = std::clamp((client.rssi + 100) / 10, 0, 5);
    entry.insert(
        QStringLiteral("signalStrength"),
        QJsonObject{{QStringLiteral("value"), client.rssi}, {QStringLiteral("unit"), QStringLiteral("dBm")}});
    entry.insert(QStringLiteral("signal"),
                 QJsonObject{{QStringLiteral("strength"), client.rssi}, {QStringLiteral("level"), bars}});
    entry.insert(QStringLiteral("speed"),
                 QJsonObject{{QStringLiteral("download"), qRound64(client.txRate * 1000.0)},
                             {QStringLiteral("upload"), qRound64(client.txRate * 500.0)},
                             {QStringLiteral("unit"), QStringLiteral("kbps")}});
}

// "5G" as "5 GHz".
QString bandName(const QString& band) {
    return band.chopped(1) + QStringLiteral(" GHz");
}

// Without `full` a station's signal and speed are left out, as firmware 8 does
// unless asked for its full output.
QJsonObject clientEntry(const SimClient& client, bool full, bool firmware8) {
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
    if (client.wired)
        return entry;
    if (full && firmware8) {
        insertFirmware8Readings(entry, client);
    } else if (full) {
        entry.insert(QStringLiteral("signalStrength"), client.rssi);
        entry.insert(QStringLiteral("speed"), client.txRate);
    }
    if (firmware8 && !client.band.isEmpty())
        entry.insert(QStringLiteral("band"), bandName(client.band));
    // Older firmware drives no 6 GHz radio: it names no channel it could not
    // have, and leaves the band to be unknown.
    if (firmware8 || client.band != QStringLiteral("6G"))
        entry.insert(QStringLiteral("channel"), client.channel);
    entry.insert(QStringLiteral("tx_bytes"), static_cast<double>(client.txBytes));
    entry.insert(QStringLiteral("rx_bytes"), static_cast<double>(client.rxBytes));
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
    const bool firmware8 = conditions.peplinkFirmware8;
    if (path == "/api/auth.token.grant" && request.method == "POST")
        return firmware8 ? fail(200, 401, QStringLiteral("Invalid client ID or secret")) : grant(request);
    if (firmware8 && path == "/api/login" && request.method == "POST")
        return adminLogin(request);
    // Every other call wants a session, known or not, as on the device.
    if (!isAuthorized(request)) {
        HttpResponse refusal = fail(401, 401, QStringLiteral("Unauthorized"));
        refusal.withHeader("WWW-Authenticate", "Bearer realm=\"Peplink\"");
        return refusal;
    }
    if (path == "/api/status.client")
        return clientStatus(request, clients);
    if (path != (firmware8 ? "/api/status.system.info" : "/api/status.system"))
        return fail(404, 404, QStringLiteral("Not found"));
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

HttpResponse PeplinkResponder::clientStatus(const HttpRequest& request,
                                            const QList<SimClient>& clients) const {
    const QUrlQuery query(QString::fromLatin1(request.target.mid(request.path().size() + 1)));
    const bool full = !conditions.peplinkFirmware8 ||
                      query.queryItemValue(QStringLiteral("outputWeight")) == QStringLiteral("full");
    QJsonArray list;
    // The device lists only clients it currently sees.
    for (const SimClient& client : clients)
        if (client.online)
            list.append(clientEntry(client, full, conditions.peplinkFirmware8));
    return ok({{QStringLiteral("list"), list}});
}

HttpResponse PeplinkResponder::grant(const HttpRequest& request) {
    if (!acceptsLogin(request))
        return fail(200, 401, refusedLogin);
    return ok({{QStringLiteral("accessToken"), sessions.open()},
               {QStringLiteral("authorizationType"), QStringLiteral("3")},
               {QStringLiteral("scope"), QStringLiteral("api")},
               {QStringLiteral("expiresIn"), QStringLiteral("172800")}});
}

HttpResponse PeplinkResponder::adminLogin(const HttpRequest& request) {
    if (!acceptsLogin(request))
        return fail(200, 401, refusedLogin);
    HttpResponse answer = HttpResponse::json(
        200, QJsonDocument(QJsonObject{{QStringLiteral("stat"), QStringLiteral("ok")}}), jsonType);
    answer.withHeader("Set-Cookie", "bauth=" + sessions.open().toLatin1() + "; Path=/; Secure; HttpOnly");
    return answer;
}

bool PeplinkResponder::acceptsLogin(const HttpRequest& request) const {
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    return !conditions.rejectPassword &&
           body.value(QStringLiteral("username")).toString() == scenario.username &&
           body.value(QStringLiteral("password")).toString() == scenario.password;
}

bool PeplinkResponder::isAuthorized(const HttpRequest& request) const {
    if (conditions.peplinkFirmware8) {
        for (const QByteArray& cookie : request.header("Cookie").split(';'))
            if (cookie.trimmed().startsWith("bauth="))
                return sessions.isOpen(QString::fromLatin1(cookie.trimmed().mid(6)));
        return false;
    }
    const QByteArray authorization = request.header("Authorization");
    if (!authorization.startsWith("Bearer "))
        return false;
    return sessions.isOpen(QString::fromLatin1(authorization.mid(7).trimmed()));
}

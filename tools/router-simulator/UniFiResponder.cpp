#include "UniFiResponder.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

const QByteArray jsonType = QByteArrayLiteral("application/json; charset=utf-8");
// The controller's `rssi` counts dB above this noise floor.
constexpr int noiseFloorDBm = -96;

HttpResponse envelope(int status, const QJsonArray& data, const QString& rc = QStringLiteral("ok"),
                      const QString& message = {}) {
    QJsonObject meta{{QStringLiteral("rc"), rc}};
    if (!message.isEmpty())
        meta.insert(QStringLiteral("msg"), message);
    return HttpResponse::json(
        status, QJsonDocument(QJsonObject{{QStringLiteral("meta"), meta}, {QStringLiteral("data"), data}}),
        jsonType);
}

QString radioOf(const QString& band) {
    if (band == QStringLiteral("2.4G"))
        return QStringLiteral("ng");
    if (band == QStringLiteral("6G"))
        return QStringLiteral("6e");
    return QStringLiteral("na");
}

QJsonObject stationRow(const SimClient& client) {
    const bool strings = client.hasQuirk(QStringLiteral("numericStrings"));
    const auto number = [strings](double value) -> QJsonValue {
        return strings ? QJsonValue(QString::number(value, 'f', 0)) : QJsonValue(value);
    };
    QJsonValue wired = client.wired;
    if (client.hasQuirk(QStringLiteral("wiredAsString")))
        wired = client.wired ? QStringLiteral("true") : QStringLiteral("false");
    else if (client.hasQuirk(QStringLiteral("wiredAsNumber")))
        wired = client.wired ? 1 : 0;

    QJsonObject row{
        {QStringLiteral("_id"),
         QStringLiteral("65a0c0de") + QString(client.mac).remove(QLatin1Char(':')).toLower()},
        {QStringLiteral("site_id"), QStringLiteral("65a0c0de0000000000000001")},
        {QStringLiteral("mac"), client.mac.toLower()},
        {QStringLiteral("ip"), client.ip},
        {QStringLiteral("hostname"), client.name},
        {QStringLiteral("oui"), QStringLiteral("Unknown")},
        {QStringLiteral("is_wired"), wired},
        {QStringLiteral("is_guest"), false},
        {QStringLiteral("uptime"), 3600},
        {QStringLiteral("last_seen"), 1733500000},
        {QStringLiteral("network"), QStringLiteral("Default")},
    };
    if (client.wired) {
        row.insert(QStringLiteral("sw_mac"), QStringLiteral("f4:e2:c6:00:00:01"));
        row.insert(QStringLiteral("sw_port"), 3);
        row.insert(QStringLiteral("wired_rate_mbps"), 1000);
        row.insert(QStringLiteral("wired-tx_bytes"), static_cast<double>(client.txBytes));
        row.insert(QStringLiteral("wired-rx_bytes"), static_cast<double>(client.rxBytes));
        return row;
    }
    row.insert(QStringLiteral("ap_mac"), client.apMac.toLower());
    row.insert(QStringLiteral("essid"), QStringLiteral("Studio"));
    row.insert(QStringLiteral("channel"), client.channel);
    row.insert(QStringLiteral("radio"), radioOf(client.band));
    row.insert(QStringLiteral("radio_name"),
               client.band == QStringLiteral("2.4G") ? QStringLiteral("wifi0") : QStringLiteral("wifi1"));
    if (!client.phy.isEmpty())
        row.insert(QStringLiteral("radio_proto"), client.phy);
    if (client.widthMHz > 0)
        row.insert(QStringLiteral("channel_width"), number(client.widthMHz));
    if (client.nss > 0)
        row.insert(QStringLiteral("nss"), number(client.nss));
    if (!client.hasQuirk(QStringLiteral("rssiWithoutSignal")))
        row.insert(QStringLiteral("signal"), number(client.rssi));
    row.insert(QStringLiteral("rssi"), number(client.rssi - noiseFloorDBm));
    row.insert(QStringLiteral("noise"), noiseFloorDBm);
    row.insert(QStringLiteral("tx_rate"), number(std::round(client.txRate * 1000.0)));
    row.insert(QStringLiteral("rx_rate"), number(std::round(client.txRate * 800.0)));
    row.insert(QStringLiteral("tx_bytes"), number(static_cast<double>(client.txBytes)));
    row.insert(QStringLiteral("rx_bytes"), number(static_cast<double>(client.rxBytes)));
    row.insert(QStringLiteral("satisfaction"), 100);
    return row;
}

QJsonObject deviceRow(const SimAccessPoint& ap) {
    return {
        {QStringLiteral("_id"),
         QStringLiteral("65a0c0de") + QString(ap.mac).remove(QLatin1Char(':')).toLower()},
        {QStringLiteral("mac"), ap.mac.toLower()},
        {QStringLiteral("ip"), ap.ip},
        {QStringLiteral("name"), ap.name},
        {QStringLiteral("model"), ap.model},
        {QStringLiteral("type"), QStringLiteral("uap")},
        {QStringLiteral("adopted"), true},
        {QStringLiteral("state"), 1},
        {QStringLiteral("version"), QStringLiteral("6.6.77.15402")},
        {QStringLiteral("radio_table"),
         QJsonArray{QJsonObject{{QStringLiteral("radio"), QStringLiteral("ng")}},
                    QJsonObject{{QStringLiteral("radio"), QStringLiteral("na")}}}},
    };
}

// Sites list their gateways and modems beside the access points, with numbers as
// strings and no radios.
QJsonObject modemRow() {
    return {
        {QStringLiteral("mac"), QStringLiteral("74:ac:b9:00:00:01")},
        {QStringLiteral("type"), QStringLiteral("umbb")},
        {QStringLiteral("adopted"), true},
        {QStringLiteral("ip"), QStringLiteral("10.77.0.9")},
        {QStringLiteral("inform_ip"), QStringLiteral("10.77.0.1")},
        {QStringLiteral("config_network"), QJsonObject{{QStringLiteral("ip"), QStringLiteral("10.77.0.9")}}},
        {QStringLiteral("loadavg_1"), QStringLiteral("1.04")},
    };
}

} // namespace

UniFiResponder::UniFiResponder(Generation generation, const Scenario& scenario, SessionBook& sessions,
                               const RouterConditions& conditions)
    : generation(generation)
    , scenario(scenario)
    , sessions(sessions)
    , conditions(conditions)
    , cookieName(generation == Generation::uniFiOS ? "TOKEN" : "unifises")
    , apiPrefix(generation == Generation::uniFiOS ? "/proxy/network/api/s/default/" : "/api/s/default/") {}

HttpResponse UniFiResponder::respond(const HttpRequest& request, const QList<SimClient>& clients) {
    const QByteArray path = request.path();
    const bool os = generation == Generation::uniFiOS;
    if (os && path == "/api/system" && request.method == "GET") {
        return HttpResponse::json(200,
                                  QJsonDocument(QJsonObject{
                                      {QStringLiteral("hardware"),
                                       QJsonObject{{QStringLiteral("shortname"), scenario.uniFiShortname}}},
                                      {QStringLiteral("name"), QStringLiteral("Studio Gateway")},
                                      {QStringLiteral("mac"), QStringLiteral("e4:38:83:00:00:01")},
                                      {QStringLiteral("deviceState"), QStringLiteral("setup")},
                                  }),
                                  jsonType);
    }
    // A classic controller's unauthenticated liveness page.
    if (!os && path == "/status" && request.method == "GET") {
        return HttpResponse::json(
            200,
            QJsonDocument(
                QJsonObject{{QStringLiteral("meta"),
                             QJsonObject{{QStringLiteral("rc"), QStringLiteral("ok")},
                                         {QStringLiteral("up"), true},
                                         {QStringLiteral("server_version"), QStringLiteral("7.5.187")}}},
                            {QStringLiteral("data"), QJsonArray()}}),
            jsonType);
    }
    if (request.method == "POST" && path == (os ? "/api/auth/login" : "/api/login"))
        return login(request);
    if (request.method == "POST" && path == (os ? "/api/auth/logout" : "/api/logout")) {
        sessions.close(sessionCookie(request));
        return os ? HttpResponse::json(200, QJsonDocument(QJsonObject()), jsonType) : envelope(200, {});
    }
    if (!path.startsWith(apiPrefix))
        return notFound();
    if (!sessions.isOpen(sessionCookie(request)))
        return loginRequired();
    return api(path.mid(apiPrefix.size()), clients);
}

HttpResponse UniFiResponder::login(const HttpRequest& request) {
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    if (conditions.requireMfa) {
        return HttpResponse::json(
            499,
            QJsonDocument(QJsonObject{
                {QStringLiteral("code"), QStringLiteral("MFA_AUTH_REQUIRED")},
                {QStringLiteral("message"), QStringLiteral("MFA authentication required")},
                {QStringLiteral("level"), QStringLiteral("debug")},
                {QStringLiteral("data"),
                 QJsonObject{{QStringLiteral("mfaCookie"), QStringLiteral("UBIC_2FA=")}}},
            }),
            jsonType);
    }
    const bool accepted = !conditions.rejectPassword &&
                          body.value(QStringLiteral("username")).toString() == scenario.username &&
                          body.value(QStringLiteral("password")).toString() == scenario.password;
    if (generation == Generation::classic) {
        if (!accepted)
            return envelope(400, {}, QStringLiteral("error"), QStringLiteral("api.err.Invalid"));
        HttpResponse response = envelope(200, {});
        response
            .withHeader("Set-Cookie", "unifises=" + sessions.open().toLatin1() + "; Path=/; Secure; HttpOnly")
            .withHeader("Set-Cookie",
                        "csrf_token=" + SessionBook::randomText(32).toLatin1() + "; Path=/; Secure");
        return response;
    }
    if (!accepted) {
        return HttpResponse::json(
            401,
            QJsonDocument(QJsonObject{
                {QStringLiteral("code"), QStringLiteral("AUTHENTICATION_FAILED_INVALID_CREDENTIALS")},
                {QStringLiteral("message"), QStringLiteral("Invalid username or password")},
                {QStringLiteral("level"), QStringLiteral("debug")},
            }),
            jsonType);
    }
    const QByteArray csrf = SessionBook::randomText(36).toLatin1();
    HttpResponse response = HttpResponse::json(
        200,
        QJsonDocument(QJsonObject{
            {QStringLiteral("unique_id"), QStringLiteral("0b6c2a1e-0000-4000-8000-000000000001")},
            {QStringLiteral("username"), scenario.username},
            {QStringLiteral("isOwner"), false},
            {QStringLiteral("deviceToken"), SessionBook::randomText(64)},
        }),
        jsonType);
    response
        .withHeader("Set-Cookie",
                    "TOKEN=" + sessions.open().toLatin1() + "; path=/; samesite=none; secure; httponly")
        .withHeader("X-Csrf-Token", csrf)
        .withHeader("X-Updated-Csrf-Token", csrf);
    return response;
}

HttpResponse UniFiResponder::api(const QByteArray& endpoint, const QList<SimClient>& clients) const {
    if (endpoint == "stat/sta") {
        QJsonArray rows;
        for (const SimClient& client : clients)
            if (client.online)
                rows.append(stationRow(client));
        return envelope(200, rows);
    }
    if (endpoint == "stat/device") {
        QJsonArray devices{modemRow()};
        for (const SimAccessPoint& ap : scenario.accessPoints)
            devices.append(deviceRow(ap));
        return envelope(200, devices);
    }
    if (endpoint == "rest/setting/mgmt") {
        return envelope(200, {QJsonObject{
                                 {QStringLiteral("_id"), QStringLiteral("65a0c0de00000000000000aa")},
                                 {QStringLiteral("key"), QStringLiteral("mgmt")},
                                 {QStringLiteral("site_id"), QStringLiteral("65a0c0de0000000000000001")},
                                 {QStringLiteral("x_ssh_enabled"), true},
                                 {QStringLiteral("x_ssh_auth_password_enabled"), true},
                                 {QStringLiteral("x_ssh_username"), scenario.apSSHUsername},
                                 {QStringLiteral("x_ssh_password"), scenario.apSSHPassword},
                             }});
    }
    return notFound();
}

HttpResponse UniFiResponder::loginRequired() const {
    if (generation == Generation::classic)
        return envelope(401, {}, QStringLiteral("error"), QStringLiteral("api.err.LoginRequired"));
    return HttpResponse::json(
        401,
        QJsonDocument(QJsonObject{{QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), 401},
                                                                        {QStringLiteral("message"),
                                                                         QStringLiteral("Unauthorized")}}}}),
        jsonType);
}

HttpResponse UniFiResponder::notFound() const {
    if (generation == Generation::classic)
        return envelope(404, {}, QStringLiteral("error"), QStringLiteral("api.err.NotFound"));
    return HttpResponse::text(404, "text/html", "<html><body><h1>404 Not Found</h1></body></html>\n");
}

QString UniFiResponder::sessionCookie(const HttpRequest& request) const {
    for (const auto& [name, value] : request.headers) {
        if (name.compare("Cookie", Qt::CaseInsensitive) != 0)
            continue;
        for (const QByteArray& part : value.split(';')) {
            const QByteArray pair = part.trimmed();
            if (pair.startsWith(cookieName + '='))
                return QString::fromLatin1(pair.mid(cookieName.size() + 1));
        }
    }
    return {};
}

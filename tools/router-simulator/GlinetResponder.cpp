#include "GlinetResponder.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonObject>
#include <crypt.h>
#include <memory>

namespace {

const QByteArray contentType = QByteArrayLiteral("application/octet-stream");

QJsonObject envelope(const QJsonValue& id) {
    return {{QStringLiteral("id"), id}, {QStringLiteral("jsonrpc"), QStringLiteral("2.0")}};
}

HttpResponse result(const QJsonValue& id, const QJsonObject& value) {
    QJsonObject answer = envelope(id);
    answer.insert(QStringLiteral("result"), value);
    return HttpResponse::json(200, QJsonDocument(answer), contentType);
}

HttpResponse error(const QJsonValue& id, int code, const QString& message, int status = 200) {
    QJsonObject answer = envelope(id);
    answer.insert(QStringLiteral("error"),
                  QJsonObject{{QStringLiteral("message"), message}, {QStringLiteral("code"), code}});
    return HttpResponse::json(status, QJsonDocument(answer), contentType);
}

HttpResponse accessDenied(const QJsonValue& id) {
    return error(id, -32000, QStringLiteral("Access denied"));
}

QJsonValue counterValue(std::uint64_t value) {
    return static_cast<double>(value);
}

QJsonObject clientEntry(const SimClient& client) {
    int type = 2;
    QString iface = QStringLiteral("eth0");
    if (!client.wired) {
        type = client.band == QStringLiteral("2.4G") ? 0 : 1;
        iface = client.band;
    }
    return {
        {QStringLiteral("mac"), client.mac.toLower()},
        {QStringLiteral("type"), type},
        {QStringLiteral("limit_tx"), 2048},
        {QStringLiteral("limit_rx"), 2048},
        {QStringLiteral("remote"), false},
        {QStringLiteral("name"), client.name},
        {QStringLiteral("vendor"), QStringLiteral("unknown")},
        {QStringLiteral("ip"), client.ip},
        // Bytes per second at this moment, not a link rate.
        {QStringLiteral("tx"), client.online ? counterValue(client.txBytesPerSecond) : 0.0},
        {QStringLiteral("rx"), client.online ? counterValue(client.rxBytesPerSecond) : 0.0},
        {QStringLiteral("total_tx"), counterValue(client.txBytes)},
        {QStringLiteral("total_rx"), counterValue(client.rxBytes)},
        {QStringLiteral("blocked"), false},
        {QStringLiteral("iface"), iface},
        {QStringLiteral("online"), client.online},
        {QStringLiteral("online_time"), QStringLiteral("1733500000")},
    };
}

QString saltAlphabet() {
    return QStringLiteral("./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
}

} // namespace

GlinetResponder::GlinetResponder(const Scenario& scenario, SessionBook& sessions,
                                 const RouterConditions& conditions, std::function<qint64()> clockMs)
    : scenario(scenario)
    , sessions(sessions)
    , conditions(conditions)
    , clockMs(std::move(clockMs))
    , salt(SessionBook::randomText(scenario.glinetLogin.alg == 1 ? 8 : 16, saltAlphabet())) {}

QString GlinetResponder::loginHash(const QString& password, const QString& salt, int alg,
                                   const QString& hashMethod, const QString& nonce) {
    const QByteArray marker = alg == 1 ? "$1$" : alg == 6 ? "$6$" : "$5$";
    const QByteArray setting = marker + salt.toLatin1();
    const auto data = std::make_unique<crypt_data>();
    const char* text =
        crypt_rn(password.toUtf8().constData(), setting.constData(), data.get(), sizeof(crypt_data));
    if (text == nullptr || text[0] == '*')
        return {};
    QCryptographicHash::Algorithm digest = QCryptographicHash::Md5;
    if (hashMethod == QStringLiteral("sha256"))
        digest = QCryptographicHash::Sha256;
    else if (hashMethod == QStringLiteral("sha512"))
        digest = QCryptographicHash::Sha512;
    const QByteArray phrase = "root:" + QByteArray(text) + ':' + nonce.toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(phrase, digest).toHex());
}

HttpResponse GlinetResponder::respond(const HttpRequest& request, const QList<SimClient>& clients) {
    if (request.path() != "/rpc")
        return HttpResponse::text(
            404, "text/html",
            "<html><head><title>404 Not Found</title></head><body><h1>404 Not Found</h1>"
            "</body></html>\n");
    if (request.method != "POST")
        return HttpResponse::text(405, "text/html", "<html><body><h1>405 Not Allowed</h1></body></html>\n");
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return error(QJsonValue::Null, -32700, QStringLiteral("Parse error"));
    const QJsonObject body = document.object();
    const QJsonValue id = body.value(QStringLiteral("id"));
    const QString method = body.value(QStringLiteral("method")).toString();
    if (method == QStringLiteral("challenge"))
        return challenge(id);
    if (method == QStringLiteral("login"))
        return login(id, body.value(QStringLiteral("params")).toObject());
    if (method == QStringLiteral("logout")) {
        sessions.close(
            body.value(QStringLiteral("params")).toObject().value(QStringLiteral("sid")).toString());
        return result(id, {});
    }
    if (method == QStringLiteral("call"))
        return call(id, body.value(QStringLiteral("params")).toArray(), clients);
    return error(id, -32601, QStringLiteral("Method not found"));
}

HttpResponse GlinetResponder::challenge(const QJsonValue& id) {
    const qint64 now = clockMs();
    // Forget nonces nobody used; a client that asks and never logs in must not
    // make the table grow.
    nonces.removeIf(
        [&](const auto& entry) { return now - entry.value() > scenario.glinetLogin.nonceLifetimeMs; });
    const QString nonce = SessionBook::randomText(32);
    nonces.insert(nonce, now);
    QJsonObject answer{
        {QStringLiteral("salt"), salt}, {QStringLiteral("alg"), alg()}, {QStringLiteral("nonce"), nonce}};
    if (!hashMethod().isEmpty())
        answer.insert(QStringLiteral("hash-method"), hashMethod());
    return result(id, answer);
}

HttpResponse GlinetResponder::login(const QJsonValue& id, const QJsonObject& params) {
    if (conditions.rejectPassword ||
        params.value(QStringLiteral("username")).toString() != QStringLiteral("root"))
        return accessDenied(id);
    const QString hash = params.value(QStringLiteral("hash")).toString().toLower();
    const qint64 now = clockMs();
    // The login does not name its nonce: any live one whose hash matches counts,
    // and is then used up.
    for (auto entry = nonces.begin(); entry != nonces.end(); ++entry) {
        if (now - entry.value() > scenario.glinetLogin.nonceLifetimeMs)
            continue;
        if (loginHash(scenario.password, salt, alg(), hashMethod(), entry.key()) != hash)
            continue;
        nonces.erase(entry);
        return result(id, {{QStringLiteral("username"), QStringLiteral("root")},
                           {QStringLiteral("sid"), sessions.open()}});
    }
    return accessDenied(id);
}

int GlinetResponder::alg() const {
    return conditions.glinetAlg.value_or(scenario.glinetLogin.alg);
}

QString GlinetResponder::hashMethod() const {
    return conditions.glinetHashMethod.value_or(scenario.glinetLogin.hashMethod);
}

HttpResponse GlinetResponder::call(const QJsonValue& id, const QJsonArray& params,
                                   const QList<SimClient>& clients) {
    if (!sessions.isOpen(params.at(0).toString()))
        return conditions.glinetExpiry == GlinetExpiry::http401
                   ? error(id, -32000, QStringLiteral("Access denied"), 401)
                   : accessDenied(id);
    const QString module = params.at(1).toString();
    const QString function = params.at(2).toString();
    if (module == QStringLiteral("clients") && function == QStringLiteral("get_list")) {
        QJsonArray list;
        for (const SimClient& client : clients)
            list.append(clientEntry(client));
        return result(id, {{QStringLiteral("clients"), list}});
    }
    return error(id, -32601, QStringLiteral("Method not found"));
}

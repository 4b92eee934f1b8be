#pragma once

#include "HttpRequest.h"
#include "HttpResponse.h"
#include "RouterConditions.h"
#include "Scenario.h"
#include "SessionBook.h"

#include <QHash>
#include <QJsonValue>
#include <functional>

// A GL.iNet router's JSON-RPC endpoint /rpc: challenge, login, logout, and the
// `clients get_list` call. Answers go out as application/octet-stream, as the
// firmware's web server sends them.
class GlinetResponder {
public:
    GlinetResponder(const Scenario& scenario, SessionBook& sessions, const RouterConditions& conditions,
                    std::function<qint64()> clockMs);

    HttpResponse respond(const HttpRequest& request, const QList<SimClient>& clients);

    // The hash a client must send for this password, salt and nonce: the
    // challenge's outer digest over "root:" + crypt string + ":" + nonce.
    static QString loginHash(const QString& password, const QString& salt, int alg, const QString& hashMethod,
                             const QString& nonce);

private:
    HttpResponse challenge(const QJsonValue& id);
    HttpResponse login(const QJsonValue& id, const QJsonObject& params);
    HttpResponse call(const QJsonValue& id, const QJsonArray& params, const QList<SimClient>& clients);
    // The login the challenge asks for: the scenario's, unless a test switched it.
    int alg() const;
    QString hashMethod() const;

    const Scenario& scenario;
    SessionBook& sessions;
    const RouterConditions& conditions;
    std::function<qint64()> clockMs;
    // The salt of root's password hash, fixed for the router's life.
    QString salt;
    // Nonces handed out and not yet used, with when they were issued.
    QHash<QString, qint64> nonces;
};

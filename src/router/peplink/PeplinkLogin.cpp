#include "router/peplink/PeplinkLogin.h"

#include "router/RouterFamily.h"
#include "router/RouterUrl.h"
#include "router/peplink/PeplinkAnswers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds loginTimeout = 5s;

QByteArray loginBody(const PeplinkLogin::Account& account, const QJsonObject& extra = {}) {
    QJsonObject body = extra;
    body.insert(QStringLiteral("username"), account.username);
    body.insert(QStringLiteral("password"), account.password);
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

} // namespace

PeplinkLogin::PeplinkLogin(RouterHttpSession& http, QObject& context)
    : http(http)
    , context(context) {}

void PeplinkLogin::logIn(const Account& account, Way firstWay, Done done) {
    if (firstWay == Way::adminLogin)
        return logInAsAdmin(account, std::move(done));
    post(account, QStringLiteral("/api/auth.token.grant"), loginBody(account),
         [this, account, done = std::move(done)](const RouterHttpResult& answer) {
             if (answer.error)
                 return done({std::nullopt, false, answer.error == RouterHttpError::identityChanged});
             if (const std::optional<QString> token = PeplinkAnswers::tokenFromGrant(answer.body))
                 return done(admitted(
                     account, answer,
                     {account.address, {"Authorization", "Bearer " + token->toUtf8()}, Way::tokenGrant}));
             logInAsAdmin(account, done);
         });
}

void PeplinkLogin::logInAsAdmin(const Account& account, Done done) {
    const QByteArray body = loginBody(account, {{QStringLiteral("challenge"), QStringLiteral("challenge")}});
    post(account, QStringLiteral("/api/login"), body,
         [this, account, done = std::move(done)](const RouterHttpResult& answer) {
             if (const std::optional<QByteArray> cookie =
                     answer.error ? std::nullopt
                                  : PeplinkAnswers::adminSessionCookie(answer.headers, answer.body))
                 return done(
                     admitted(account, answer, {account.address, {"Cookie", *cookie}, Way::adminLogin}));
             done({std::nullopt, PeplinkAnswers::refusesCredentials(answer.answeredStatus(), answer.body),
                   answer.error == RouterHttpError::identityChanged});
         });
}

PeplinkLogin::Result PeplinkLogin::admitted(const Account& account, const RouterHttpResult& answer,
                                            Credential credential) {
    if (!http.keepLogin(account.address, answer, {.family = RouterFamily::peplink}))
        return {std::nullopt, false, false, true};
    return {std::move(credential)};
}

void PeplinkLogin::post(const Account& account, const QString& path, const QByteArray& body,
                        RouterHttpSession::Completion completion) {
    const std::optional<QUrl> url = routerUrl(QStringLiteral("https"), account.address, path);
    if (!url) {
        QMetaObject::invokeMethod(
            &context,
            [completion = std::move(completion)] {
                completion({RouterHttpError::network, 0, {}, {}});
            },
            Qt::QueuedConnection);
        return;
    }
    http.send({"POST", *url, {{"Content-Type", "application/json"}}, body, loginTimeout}, &context,
              std::move(completion));
}

#include "router/unifi/UniFiLogin.h"

#include "router/RowNormalisation.h"

#include <QJsonObject>
#include <QNetworkCookie>

namespace {

// UniFi OS answers an account that must confirm a second factor with this status.
constexpr int mfaRequiredStatus = 499;

QByteArray headerValue(const QList<QPair<QByteArray, QByteArray>>& headers, const QByteArray& name) {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

QString sessionCookie(const QList<QPair<QByteArray, QByteArray>>& headers) {
    for (const auto& [key, value] : headers) {
        if (key.compare("Set-Cookie", Qt::CaseInsensitive) != 0)
            continue;
        for (const QNetworkCookie& cookie : QNetworkCookie::parseCookies(value))
            if ((cookie.name() == "TOKEN" || cookie.name() == "unifises") && !cookie.value().isEmpty())
                return QString::fromUtf8(cookie.name() + '=' + cookie.value());
    }
    return {};
}

QJsonObject bodyObject(const QByteArray& body) {
    const std::optional<QJsonDocument> document = parseRouterJson(body);
    return document ? document->object() : QJsonObject();
}

// UniFi OS names the demand in `code`; a classic controller in `meta.msg`.
bool demandsSecondFactor(const QJsonObject& body) {
    return body.value(QStringLiteral("code")).toString() == QStringLiteral("MFA_AUTH_REQUIRED") ||
           body.value(QStringLiteral("meta")).toObject().value(QStringLiteral("msg")).toString() ==
               QStringLiteral("api.err.Ubic2faTokenRequired");
}

} // namespace

UniFiLoginOutcome uniFiLoginOutcome(std::optional<int> status,
                                    const QList<QPair<QByteArray, QByteArray>>& headers,
                                    const QByteArray& body) {
    UniFiLoginOutcome outcome;
    if (status != 200) {
        if (status == mfaRequiredStatus || demandsSecondFactor(bodyObject(body)))
            outcome.verdict = UniFiLoginVerdict::ssoAccount;
        else if (status == 400 || status == 401 || status == 403)
            outcome.verdict = UniFiLoginVerdict::rejected;
        return outcome;
    }

    outcome.cookie = sessionCookie(headers);
    if (outcome.cookie.isEmpty()) {
        const QString token = bodyObject(body).value(QStringLiteral("token")).toString();
        if (token.isEmpty())
            return outcome;
        outcome.cookie = QStringLiteral("TOKEN=") + token;
    }
    QByteArray csrf = headerValue(headers, "X-Updated-Csrf-Token");
    if (csrf.isEmpty())
        csrf = headerValue(headers, "X-CSRF-Token");
    outcome.csrfToken = QString::fromUtf8(csrf);
    outcome.verdict = UniFiLoginVerdict::accepted;
    return outcome;
}

QString uniFiSSOAccountMessage() {
    return QStringLiteral("SSO account detected — Veltrano requires a local admin account. Create one at "
                          "unifi.ui.com → Site Manager → People.");
}

QString uniFiAuthenticationFailedMessage() {
    return QStringLiteral("UniFi authentication failed — check username and password");
}

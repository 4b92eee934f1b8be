#include "router/RouterHttpSession.h"

#include "logs/EventLogger.h"

#include <QCryptographicHash>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QThread>
#include <QTimer>
#include <memory>

namespace {

// What one request gathers while its answer arrives.
struct Exchange {
    QByteArray body;
    // Set when we end the exchange ourselves, before the reply reports it.
    std::optional<RouterHttpError> cutShort;
};

QNetworkRequest networkRequestFor(const RouterHttpRequest& request) {
    QNetworkRequest networkRequest(request.url);
    for (const auto& [name, value] : request.headers)
        networkRequest.setRawHeader(name, value);
    networkRequest.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    networkRequest.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    // A redirect would carry the Cookie or Authorization header to wherever it
    // points; the caller sees the 3xx instead.
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                QNetworkRequest::ManualRedirectPolicy);
    // Each HTTP/1.1 connection is judged at its own handshake; routers speak
    // nothing newer that a shared HTTP/2 connection would be worth it for.
    networkRequest.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    networkRequest.setSslConfiguration(tls);
    return networkRequest;
}

std::optional<PresentedCertificate> presentedBy(const QNetworkReply& reply) {
    const QSslCertificate certificate = reply.sslConfiguration().peerCertificate();
    if (certificate.isNull())
        return std::nullopt;
    return PresentedCertificate{
        reply.url().host(), reply.url().port(443),
        QString::fromLatin1(
            QCryptographicHash::hash(certificate.toDer(), QCryptographicHash::Sha256).toHex(':').toUpper())};
}

// Qt reports HTTP error statuses as errors too; those are answers for the
// adapters to read (401 for an expired session, 499 for an MFA demand).
bool isHttpStatusError(QNetworkReply::NetworkError error) {
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

std::optional<RouterHttpError> failureOf(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::NoError:
        return std::nullopt;
    case QNetworkReply::ConnectionRefusedError:
        return RouterHttpError::refused;
    case QNetworkReply::TimeoutError:
        return RouterHttpError::timeout;
    case QNetworkReply::SslHandshakeFailedError:
        return RouterHttpError::tls;
    default:
        return isHttpStatusError(error) ? std::nullopt : std::optional(RouterHttpError::network);
    }
}

RouterHttpResult resultOf(QNetworkReply& reply, Exchange& exchange) {
    if (!exchange.cutShort && exchange.body.size() > RouterHttpSession::maximumAnswerBytes)
        exchange.cutShort = RouterHttpError::tooLarge;
    if (exchange.cutShort)
        return {exchange.cutShort, 0, {}, {}};
    if (const std::optional<RouterHttpError> failure = failureOf(reply.error()))
        return {failure, 0, {}, {}};
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return {RouterHttpError::network, 0, {}, {}};
    return {std::nullopt, status.toInt(), reply.rawHeaderPairs(), std::move(exchange.body),
            presentedBy(reply)};
}

void endWith(QNetworkReply* reply, Exchange& exchange, RouterHttpError reason) {
    if (exchange.cutShort)
        return;
    exchange.cutShort = reason;
    reply->abort();
}

} // namespace

RouterHttpSession::RouterHttpSession() {
    // Router traffic stays on the local network: a proxy from the environment
    // would see the router password.
    network.setProxy(QNetworkProxy::NoProxy);
}

RouterHttpSession::RouterHttpSession(RouterIdentityStore identities, EventLogger& logger)
    : RouterHttpSession() {
    pinning.emplace(Pinning{std::move(identities), logger, {}});
}

RouterHttpSession::~RouterHttpSession() {
    abortAll();
}

void RouterHttpSession::send(const RouterHttpRequest& request, QObject* context, Completion completion) {
    Q_ASSERT(QThread::currentThread() == network.thread());
    const QNetworkRequest networkRequest = networkRequestFor(request);
    QNetworkReply* reply = request.body.isEmpty()
                               ? network.sendCustomRequest(networkRequest, request.method)
                               : network.sendCustomRequest(networkRequest, request.method, request.body);
    auto exchange = std::make_shared<Exchange>();

    // Emitted once the handshake is done and before the request is written.
    // The reply belongs to `network`, so this session outlives the connection.
    if (pinning)
        QObject::connect(reply, &QNetworkReply::encrypted, reply, [this, reply, exchange] {
            if (!admits(*reply))
                endWith(reply, *exchange, RouterHttpError::identityChanged);
        });

    // A hard deadline, not an idle one: a router trickling bytes must not hold
    // a poll open.
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    deadline->setTimerType(Qt::PreciseTimer);
    QObject::connect(deadline, &QTimer::timeout, reply,
                     [reply, exchange] { endWith(reply, *exchange, RouterHttpError::timeout); });
    deadline->start(request.timeout);

    // Judged on the headers, before a byte of the body reaches this thread: an
    // announced giant would otherwise arrive here in a burst of queued chunks
    // faster than the main thread could hand them on, stalling it for tens of ms.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, exchange] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maximumAnswerBytes)
            endWith(reply, *exchange, RouterHttpError::tooLarge);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, exchange] {
        if (exchange->cutShort)
            return;
        exchange->body += reply->readAll();
        if (exchange->body.size() > maximumAnswerBytes)
            endWith(reply, *exchange, RouterHttpError::tooLarge);
    });
    QObject::connect(
        reply, &QNetworkReply::finished, reply,
        [reply, exchange, guard = QPointer<QObject>(context), completion = std::move(completion)] {
            // An aborted reply is closed already; there is nothing left to read.
            if (!exchange->cutShort && reply->isOpen())
                exchange->body += reply->readAll();
            RouterHttpResult result = resultOf(*reply, *exchange);
            reply->deleteLater();
            if (!guard)
                return;
            // Queued even on this thread, so a completion may end
            // the session without pulling the reply from under us.
            QMetaObject::invokeMethod(
                guard.data(), [completion, result = std::move(result)] { completion(result); },
                Qt::QueuedConnection);
        });
}

bool RouterHttpSession::admits(const QNetworkReply& reply) {
    const std::optional<PresentedCertificate> presented = presentedBy(reply);
    if (!presented)
        return false;
    const QString endpoint = presented->address + QLatin1Char(':') + QString::number(presented->port);
    if (pinning->identities.judgeCertificate(presented->address, presented->port, presented->fingerprint) !=
        RouterIdentityStore::CertificateVerdict::changed) {
        pinning->refused.remove(endpoint);
        return true;
    }
    // A poll every second must not write a line every second.
    if (!pinning->refused.contains(endpoint)) {
        pinning->refused.insert(endpoint);
        pinning->logger.logError(VtCode::authRejected, QStringLiteral("identity-changed ") + endpoint);
    }
    return false;
}

bool RouterHttpSession::keepLogin(const QString& address, const RouterHttpResult& answer,
                                  const RouterRecord& record) {
    Q_ASSERT(pinning);
    std::optional<RouterIdentityStore::Certificate> certificate;
    if (answer.certificate)
        certificate =
            RouterIdentityStore::Certificate{answer.certificate->port, answer.certificate->fingerprint};
    if (pinning->identities.keepLogin(address, record, certificate))
        return true;
    pinning->logger.logError(VtCode::authRejected,
                             QStringLiteral("identity-not-saved ") + pinning->identities.identitiesPath());
    return false;
}

QString RouterHttpSession::identitiesPath() const {
    return pinning ? pinning->identities.identitiesPath() : QString();
}

void RouterHttpSession::abortAll() {
    for (QNetworkReply* reply : network.findChildren<QNetworkReply*>())
        if (reply->isRunning())
            reply->abort();
}

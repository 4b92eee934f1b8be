#include "router/RouterHttpSession.h"

#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>
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
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    networkRequest.setSslConfiguration(tls);
    return networkRequest;
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
    return {std::nullopt, status.toInt(), reply.rawHeaderPairs(), std::move(exchange.body)};
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

    // A hard deadline, not an idle one: a router trickling bytes must not hold
    // a poll open.
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    deadline->setTimerType(Qt::PreciseTimer);
    QObject::connect(deadline, &QTimer::timeout, reply,
                     [reply, exchange] { endWith(reply, *exchange, RouterHttpError::timeout); });
    deadline->start(request.timeout);

    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, exchange](qint64, qint64 announced) {
                         if (announced > maximumAnswerBytes)
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

void RouterHttpSession::abortAll() {
    for (QNetworkReply* reply : network.findChildren<QNetworkReply*>())
        if (reply->isRunning())
            reply->abort();
}

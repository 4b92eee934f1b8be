#include "router/RouterHttpSession.h"

#include "logs/EventLogger.h"

#include <QPointer>
#include <QThread>
#include <QTimer>

namespace {

std::optional<RouterHttpConnection::Endpoint> endpointOf(const QUrl& url) {
    const bool tls = url.scheme() == QStringLiteral("https");
    if ((!tls && url.scheme() != QStringLiteral("http")) || url.host().isEmpty())
        return std::nullopt;
    return RouterHttpConnection::Endpoint{tls, url.host(), quint16(url.port(tls ? 443 : 80))};
}

// A header a router's answer smuggled a line end into is not sent back.
bool writable(const QByteArray& text) {
    return !text.contains('\r') && !text.contains('\n');
}

QByteArray requestBytes(const RouterHttpRequest& request) {
    QByteArray target =
        request.url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (target.isEmpty())
        target = "/";
    QByteArray host = request.url.host(QUrl::FullyEncoded).toUtf8();
    if (host.contains(':'))
        host = '[' + host + ']';
    const int defaultPort = request.url.scheme() == QStringLiteral("https") ? 443 : 80;
    if (request.url.port(defaultPort) != defaultPort)
        host += ':' + QByteArray::number(request.url.port());

    QByteArray bytes = request.method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    bool namesItsType = false;
    bool namesAnAgent = false;
    for (const auto& [name, value] : request.headers) {
        if (!writable(name) || !writable(value))
            continue;
        namesItsType |= name.compare("Content-Type", Qt::CaseInsensitive) == 0;
        namesAnAgent |= name.compare("User-Agent", Qt::CaseInsensitive) == 0;
        bytes += name + ": " + value + "\r\n";
    }
    // What routers have always been sent, so none of them is met with a stranger.
    if (!namesAnAgent)
        bytes += "User-Agent: Mozilla/5.0\r\n";
    if (!request.body.isEmpty() && !namesItsType)
        bytes += "Content-Type: application/x-www-form-urlencoded\r\n";
    if (!request.body.isEmpty() || request.method == "POST" || request.method == "PUT")
        bytes += "Content-Length: " + QByteArray::number(request.body.size()) + "\r\n";
    return bytes + "Connection: keep-alive\r\n\r\n" + request.body;
}

} // namespace

struct RouterHttpSession::Exchange {
    RouterHttpConnection::Endpoint endpoint;
    QByteArray bytes;
    QPointer<QObject> context;
    Completion completion;
    QTimer* deadline = nullptr;
    QPointer<RouterHttpConnection> carrier;
};

RouterHttpSession::RouterHttpSession() = default;

RouterHttpSession::RouterHttpSession(RouterIdentityStore identities, EventLogger& logger) {
    pinning.emplace(Pinning{std::move(identities), logger, {}});
}

RouterHttpSession::~RouterHttpSession() {
    abortAll();
}

void RouterHttpSession::send(const RouterHttpRequest& request, QObject* context, Completion completion) {
    Q_ASSERT(QThread::currentThread() == home.thread());
    auto exchange = std::make_shared<Exchange>();
    exchange->context = context;
    exchange->completion = std::move(completion);
    const std::optional<RouterHttpConnection::Endpoint> endpoint = endpointOf(request.url);
    if (!endpoint)
        return end(*exchange, {RouterHttpError::network, 0, {}, {}});
    exchange->endpoint = *endpoint;
    exchange->bytes = requestBytes(request);

    // A hard deadline, not an idle one: a router trickling bytes must not hold
    // a poll open. It counts the wait for a connection too.
    exchange->deadline = new QTimer(&home);
    exchange->deadline->setSingleShot(true);
    // Never early: a coarse timer may fire a twentieth before its time.
    exchange->deadline->setTimerType(Qt::PreciseTimer);
    QObject::connect(exchange->deadline, &QTimer::timeout, &home,
                     [this, weak = std::weak_ptr<Exchange>(exchange)] {
                         if (const std::shared_ptr<Exchange> timedOut = weak.lock())
                             finish(timedOut, {RouterHttpError::timeout, 0, {}, {}});
                     });
    exchange->deadline->start(request.timeout);
    exchanges.append(exchange);
    dispatch();
}

void RouterHttpSession::dispatch() {
    for (const std::shared_ptr<Exchange>& exchange : QList(exchanges)) {
        if (exchange->carrier)
            continue;
        const auto sameRouter = [&](const RouterHttpConnection* connection) {
            return connection->endpoint() == exchange->endpoint;
        };
        const auto idle = std::find_if(connections.cbegin(), connections.cend(), [&](const auto* connection) {
            return sameRouter(connection) && connection->isIdle();
        });
        RouterHttpConnection* carrier = idle != connections.cend() ? *idle : nullptr;
        if (!carrier &&
            std::count_if(connections.cbegin(), connections.cend(), sameRouter) < connectionsPerRouter)
            carrier = openTo(exchange->endpoint);
        if (!carrier)
            continue;
        exchange->carrier = carrier;
        carrier->start(exchange->bytes,
                       [this, weak = std::weak_ptr<Exchange>(exchange)](RouterHttpResult result) {
                           if (const std::shared_ptr<Exchange> answered = weak.lock())
                               finish(answered, std::move(result));
                       });
    }
}

void RouterHttpSession::finish(const std::shared_ptr<Exchange>& exchange, RouterHttpResult result) {
    if (!exchanges.removeOne(exchange))
        return;
    end(*exchange, std::move(result));
    dispatch();
}

void RouterHttpSession::end(Exchange& exchange, RouterHttpResult result) {
    if (exchange.deadline)
        exchange.deadline->deleteLater();
    // Ended before its answer: the connection is mid-exchange and cannot carry another.
    if (exchange.carrier && exchange.carrier->isBusy())
        exchange.carrier->close();
    if (!exchange.context)
        return;
    // Queued even when the answer is complete, so a completion never runs
    // inside send and may end the session without pulling it from under us.
    QMetaObject::invokeMethod(
        exchange.context.data(),
        [completion = std::move(exchange.completion), result = std::move(result)] { completion(result); },
        Qt::QueuedConnection);
}

RouterHttpConnection* RouterHttpSession::openTo(const RouterHttpConnection::Endpoint& endpoint) {
    auto* connection = new RouterHttpConnection(
        endpoint,
        [this, endpoint](const PresentedCertificate& presented) { return admits(endpoint, presented); },
        maximumAnswerBytes, &home);
    connection->onClosed = [this, connection] {
        connections.removeOne(connection);
        connection->deleteLater();
    };
    connections.append(connection);
    return connection;
}

bool RouterHttpSession::admits(const RouterHttpConnection::Endpoint& endpoint,
                               const PresentedCertificate& presented) {
    if (!pinning)
        return true;
    const QString key = presented.address + QLatin1Char(':') + QString::number(presented.port);
    if (pinning->identities.judgeCertificate(presented.address, presented.port, presented.fingerprint) !=
        RouterIdentityStore::CertificateVerdict::changed) {
        pinning->refused.remove(key);
        return true;
    }
    // A poll every second must not write a line every second.
    if (!pinning->refused.contains(key)) {
        pinning->refused.insert(key);
        pinning->logger.logError(VtCode::authRejected, QStringLiteral("identity-changed ") + key);
    }
    // What is still open there was judged before the router changed; nothing
    // more goes over it.
    for (RouterHttpConnection* connection : QList(connections))
        if (connection->endpoint() == endpoint && connection->isIdle())
            connection->close();
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
    for (const std::shared_ptr<Exchange>& exchange : std::exchange(exchanges, {}))
        end(*exchange, {RouterHttpError::network, 0, {}, {}});
}

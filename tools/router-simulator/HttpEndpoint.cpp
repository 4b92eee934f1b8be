#include "HttpEndpoint.h"

#include <QSslServer>
#include <QSslSocket>

namespace {

// Small answers must leave at once: a Nagle hold-back of the last segment would
// add tens of milliseconds that the latency measurements would blame on the client.
void sendWithoutDelay(QAbstractSocket* socket) {
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

} // namespace

HttpEndpoint::HttpEndpoint(HttpConnection::Handler handler, QObject* parent)
    : QObject(parent)
    , handler(std::move(handler)) {}

bool HttpEndpoint::listen(const QHostAddress& address, quint16 port,
                          const std::optional<QSslConfiguration>& tls) {
    if (tls) {
        auto sslServer = std::make_unique<QSslServer>();
        sslServer->setSslConfiguration(*tls);
        // The handshake itself should not wait on Nagle either.
        connect(sslServer.get(), &QSslServer::startedEncryptionHandshake, this, &sendWithoutDelay);
        server = std::move(sslServer);
    } else {
        server = std::make_unique<QTcpServer>();
    }
    connect(server.get(), &QTcpServer::pendingConnectionAvailable, this, &HttpEndpoint::acceptPending);
    return server->listen(address, port);
}

void HttpEndpoint::presentTls(const QSslConfiguration& tls) {
    auto* sslServer = qobject_cast<QSslServer*>(server.get());
    if (!sslServer || sslServer->sslConfiguration() == tls)
        return;
    sslServer->setSslConfiguration(tls);
    // Connections still shaking hands belong to the server until they are done,
    // and would finish with the certificate shown before.
    for (QTcpSocket* socket : findChildren<QTcpSocket*>() + sslServer->findChildren<QTcpSocket*>())
        socket->abort();
}

void HttpEndpoint::acceptPending() {
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        socket->setParent(this);
        sendWithoutDelay(socket);
        new HttpConnection(socket, handler);
    }
}

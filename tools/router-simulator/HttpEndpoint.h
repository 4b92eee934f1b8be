#pragma once

#include "HttpConnection.h"

#include <QHostAddress>
#include <QObject>
#include <QSslConfiguration>
#include <QTcpServer>
#include <memory>
#include <optional>

// A listening HTTP/1.1 port, plain or TLS, whose requests go to one handler.
class HttpEndpoint : public QObject {
    Q_OBJECT
public:
    explicit HttpEndpoint(HttpConnection::Handler handler, QObject* parent = nullptr);

    // Port 0 takes any free port. False (with errorString) when the port is taken
    // or the address is not on this host.
    bool listen(const QHostAddress& address, quint16 port, const std::optional<QSslConfiguration>& tls);
    quint16 port() const { return server ? server->serverPort() : 0; }
    // A TLS port shows `tls` from now on, as a router that was replaced would:
    // when that is a change, the connections open now are cut, so clients must
    // shake hands again.
    void presentTls(const QSslConfiguration& tls);
    QString errorString() const { return server ? server->errorString() : QString(); }

private:
    void acceptPending();

    HttpConnection::Handler handler;
    std::unique_ptr<QTcpServer> server;
};

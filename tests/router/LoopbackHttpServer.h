#pragma once

#include <QHostAddress>
#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

// A scripted HTTP/1.1 peer on 127.0.0.1, plain or with TLS, for testing the
// client side. It reads whole requests (head and Content-Length body) and lets
// the test decide what, if anything, goes back.
class LoopbackHttpServer {
public:
    using Responder = std::function<void(QTcpSocket&)>;

    // Port 0 takes any free port. A fixed one (80, 443, 8443 as routers use) needs
    // the private network namespace of run-on-private-loopback.sh.
    explicit LoopbackHttpServer(const std::optional<QSslConfiguration>& tls = std::nullopt,
                                quint16 port = 0) {
        if (tls) {
            auto sslServer = std::make_unique<QSslServer>();
            sslServer->setSslConfiguration(*tls);
            server = std::move(sslServer);
        } else {
            server = std::make_unique<QTcpServer>();
        }
        scheme = tls ? QStringLiteral("https") : QStringLiteral("http");
        QObject::connect(server.get(), &QTcpServer::pendingConnectionAvailable, server.get(), [this] {
            while (QTcpSocket* socket = server->nextPendingConnection())
                accept(socket);
        });
        server->listen(QHostAddress::LocalHost, port);
    }

    QUrl url(const QString& path = QStringLiteral("/")) const {
        return QUrl(scheme + QStringLiteral("://127.0.0.1:") + QString::number(server->serverPort()) + path);
    }
    void respondWith(Responder next) { responder = std::move(next); }
    // Bytes written as soon as a connection is accepted, before any request.
    void greetWith(const QByteArray& bytes) { greeting = bytes; }
    bool isListening() const { return server->isListening(); }
    int connections() const { return accepted; }
    const QList<QByteArray>& requestHeads() const { return heads; }
    // The body of each request, in the order of requestHeads().
    const QList<QByteArray>& requestBodies() const { return bodies; }

    static QByteArray answer(int status, const QByteArray& body, const QByteArray& extraHeaders = {}) {
        return "HTTP/1.1 " + QByteArray::number(status) +
               " Status\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders +
               "\r\n" + body;
    }

private:
    void accept(QTcpSocket* socket) {
        ++accepted;
        if (!greeting.isEmpty()) {
            socket->write(greeting);
            socket->disconnectFromHost();
            return;
        }
        auto pending = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, pending] {
            *pending += socket->readAll();
            while (takeRequest(*pending))
                if (responder)
                    responder(*socket);
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    bool takeRequest(QByteArray& pending) {
        const qsizetype headEnd = pending.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return false;
        const QByteArray head = pending.left(headEnd);
        qsizetype bodyLength = 0;
        for (const QByteArray& line : head.split('\n'))
            if (line.toLower().startsWith("content-length:"))
                bodyLength = line.mid(15).trimmed().toLongLong();
        if (pending.size() < headEnd + 4 + bodyLength)
            return false;
        heads.append(head);
        bodies.append(pending.mid(headEnd + 4, bodyLength));
        pending.remove(0, headEnd + 4 + bodyLength);
        return true;
    }

    std::unique_ptr<QTcpServer> server;
    QString scheme;
    Responder responder;
    QByteArray greeting;
    int accepted = 0;
    QList<QByteArray> heads;
    QList<QByteArray> bodies;
};

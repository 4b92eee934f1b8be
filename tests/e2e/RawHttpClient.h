#pragma once

#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <optional>

// One TCP connection speaking HTTP/1.1 by hand, so tests control exactly what
// goes on the wire and see whether the server keeps the connection.
class RawHttpClient {
public:
    struct Response {
        int status = 0;
        QByteArray head;
        QByteArray body;
    };

    bool connectTo(const QHostAddress& address, quint16 port) {
        socket.connectToHost(address, port);
        return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 3000);
    }
    void send(const QByteArray& bytes) { socket.write(bytes); }
    static QByteArray request(const QByteArray& method, const QByteArray& path, const QByteArray& body = {},
                              const QByteArray& extraHeaders = {}) {
        return method + ' ' + path +
               " HTTP/1.1\r\nHost: router\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" +
               extraHeaders + "\r\n" + body;
    }

    // The next whole answer within the time limit, or none.
    std::optional<Response> next(int timeoutMs = 3000) {
        std::optional<Response> response;
        // The answer, not the wait's outcome, says whether one came.
        static_cast<void>(QTest::qWaitFor([&] { return (response = take()).has_value(); }, timeoutMs));
        return response;
    }
    bool isClosedByServer() {
        return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 3000);
    }

private:
    std::optional<Response> take() {
        received += socket.readAll();
        const qsizetype end = received.indexOf("\r\n\r\n");
        if (end < 0)
            return std::nullopt;
        Response response{received.mid(9, 3).toInt(), received.left(end), {}};
        qsizetype length = 0;
        for (const QByteArray& line : response.head.split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        if (received.size() < end + 4 + length)
            return std::nullopt;
        response.body = received.mid(end + 4, length);
        received.remove(0, end + 4 + length);
        return response;
    }

    QTcpSocket socket;
    QByteArray received;
};

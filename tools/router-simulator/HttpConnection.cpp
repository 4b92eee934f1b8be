#include "HttpConnection.h"

#include <QPointer>
#include <QTimer>
#include <sys/socket.h>

HttpConnection::HttpConnection(QTcpSocket* socket, Handler handler)
    : QObject(socket)
    , socket(socket)
    , handler(std::move(handler)) {
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::readAvailable);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    readAvailable();
}

void HttpConnection::readAvailable() {
    parser.feed(socket->readAll());
    answerNext();
}

void HttpConnection::answerNext() {
    // A reply given synchronously by the handler comes back through send();
    // looping here instead of recursing keeps a long pipeline off the stack.
    if (answering)
        return;
    answering = true;
    while (!awaitingReply && !closing) {
        HttpRequestParser::Result result = parser.take();
        if (result.errorStatus != 0) {
            HttpResponse refusal =
                HttpResponse::text(result.errorStatus, "text/plain", "malformed request\n");
            refusal.closeAfter = true;
            send(refusal, false);
            break;
        }
        if (!result.request)
            break;
        awaitingReply = true;
        const bool keepAlive = result.request->keepsAlive();
        QPointer<HttpConnection> guard(this);
        handler(
            *result.request,
            [guard, keepAlive](const HttpResponse& response) {
                if (guard)
                    guard->send(response, keepAlive);
            },
            this);
        if (!guard)
            return;
    }
    answering = false;
}

void HttpConnection::send(const HttpResponse& response, bool keepAlive) {
    if (closing)
        return;
    awaitingReply = false;
    const QByteArray bytes = response.serialized(keepAlive);
    if (response.resetMidBody) {
        resetAfter(bytes.left(bytes.size() - response.body.size() / 2));
        return;
    }
    socket->write(bytes);
    if (!keepAlive || response.closeAfter) {
        closing = true;
        socket->disconnectFromHost();
        return;
    }
    answerNext();
}

void HttpConnection::resetAfter(const QByteArray& partialAnswer) {
    closing = true;
    socket->write(partialAnswer);
    socket->flush();
    // Once the part is on its way, a zero linger makes the close a reset (RST)
    // rather than an orderly end the client could take for a short answer.
    QTimer::singleShot(100, socket, [socket = socket] {
        const linger abortive{1, 0};
        ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                     sizeof abortive);
        socket->abort();
    });
}

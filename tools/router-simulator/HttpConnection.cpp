#include "HttpConnection.h"

#include <QPointer>

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
        handler(*result.request, [guard, keepAlive](const HttpResponse& response) {
            if (guard)
                guard->send(response, keepAlive);
        });
        if (!guard)
            return;
    }
    answering = false;
}

void HttpConnection::send(const HttpResponse& response, bool keepAlive) {
    if (closing)
        return;
    awaitingReply = false;
    socket->write(response.serialized(keepAlive));
    if (!keepAlive || response.closeAfter) {
        closing = true;
        socket->disconnectFromHost();
        return;
    }
    answerNext();
}

#pragma once

#include "HttpRequestParser.h"
#include "HttpResponse.h"

#include <QObject>
#include <QTcpSocket>
#include <functional>

// One accepted connection. Requests are answered strictly in order: the next
// one is read only after the handler has replied to the current one, however
// late that reply comes (a delayed answer, or never for a silent router).
class HttpConnection : public QObject {
    Q_OBJECT
public:
    using Reply = std::function<void(const HttpResponse&)>;
    // `connection` is destroyed once the client closed it, replied or not.
    using Handler = std::function<void(const HttpRequest&, Reply, const QObject* connection)>;

    // Lives as long as the socket, which it owns through Qt's parent chain.
    HttpConnection(QTcpSocket* socket, Handler handler);

private:
    void readAvailable();
    void answerNext();
    void send(const HttpResponse& response, bool keepAlive);
    void resetAfter(const QByteArray& partialAnswer);

    QTcpSocket* socket;
    Handler handler;
    HttpRequestParser parser;
    bool awaitingReply = false;
    bool answering = false;
    bool closing = false;
};

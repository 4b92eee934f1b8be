#pragma once

#include "router/HttpAnswerReader.h"
#include "router/RouterHttpResult.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QTcpSocket;

// One connection to a router's web server, plain or TLS, carrying one exchange
// at a time and kept open between exchanges while the router allows it. It runs
// from the event loop of its thread and reads an answer in the pieces the socket
// hands over, so an answer costs the thread a wake-up or two, not one per byte.
//
// Over TLS, `admits` judges the router's certificate after the handshake and
// before a byte of the request is written; a refused connection ends its
// exchange with identityChanged.
class RouterHttpConnection final : public QObject {
public:
    struct Endpoint {
        bool tls = false;
        QString host;
        quint16 port = 0;
        bool operator==(const Endpoint&) const = default;
    };
    using Admits = std::function<bool(const PresentedCertificate&)>;
    using Done = std::function<void(RouterHttpResult)>;

    RouterHttpConnection(Endpoint endpoint, Admits admits, qint64 maximumAnswerBytes, QObject* parent);
    ~RouterHttpConnection() override;

    const Endpoint& endpoint() const { return where; }
    // Open, or not opened yet, and carrying nothing: may take an exchange.
    bool isIdle() const { return !whenDone && !closedForGood; }
    bool isBusy() const { return bool(whenDone); }

    // Writes `request` (a whole HTTP/1.1 request), opening the connection first
    // where needed. `done` runs once, with the answer or the error, unless
    // close comes first.
    void start(QByteArray request, Done done);
    // Ends the connection for good; the exchange in flight hears nothing more.
    void close();
    // Runs once, when the connection has ended for good, before any `done` that
    // ends with it.
    std::function<void()> onClosed;

private:
    void open();
    void ready();
    void read();
    void lost(int socketError);
    void answer();
    void end(RouterHttpError error);
    void dropSocket();

    const Endpoint where;
    const Admits admits;
    const qint64 maximumAnswerBytes;
    QTcpSocket* socket = nullptr;
    bool isReady = false;
    bool closedForGood = false;
    std::optional<PresentedCertificate> presented;

    QByteArray request;
    Done whenDone;
    std::optional<HttpAnswerReader> reader;
    bool receivedAny = false;
    // A kept connection the router closed just as the request went is opened
    // again, once; the router had not read the request.
    bool mayOpenAgain = false;
};

#include "router/RouterHttpConnection.h"

#include <QCryptographicHash>
#include <QNetworkProxy>
#include <QSslCertificate>
#include <QSslSocket>
#include <QTcpSocket>

namespace {

RouterHttpError errorOf(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return RouterHttpError::refused;
    case QAbstractSocket::SslHandshakeFailedError:
        return RouterHttpError::tls;
    default:
        return RouterHttpError::network;
    }
}

} // namespace

RouterHttpConnection::RouterHttpConnection(Endpoint endpoint, Admits admits, qint64 maximumAnswerBytes,
                                           QObject* parent)
    : QObject(parent)
    , where(std::move(endpoint))
    , admits(std::move(admits))
    , maximumAnswerBytes(maximumAnswerBytes) {}

RouterHttpConnection::~RouterHttpConnection() {
    dropSocket();
}

void RouterHttpConnection::start(QByteArray bytes, Done done) {
    Q_ASSERT(isIdle());
    request = std::move(bytes);
    whenDone = std::move(done);
    reader.emplace(maximumAnswerBytes);
    receivedAny = false;
    mayOpenAgain = socket && isReady;
    if (mayOpenAgain)
        socket->write(request);
    else
        open();
}

void RouterHttpConnection::close() {
    whenDone = nullptr;
    if (closedForGood)
        return;
    closedForGood = true;
    dropSocket();
    if (onClosed)
        onClosed();
}

void RouterHttpConnection::open() {
    dropSocket();
    isReady = false;
    presented.reset();
    if (where.tls) {
        auto* tls = new QSslSocket(this);
        tls->setPeerVerifyMode(QSslSocket::VerifyNone);
        QObject::connect(tls, &QSslSocket::encrypted, this, [this, tls] {
            const QSslCertificate certificate = tls->peerCertificate();
            if (certificate.isNull())
                return end(RouterHttpError::tls);
            presented = PresentedCertificate{
                where.host, where.port,
                QString::fromLatin1(QCryptographicHash::hash(certificate.toDer(), QCryptographicHash::Sha256)
                                        .toHex(':')
                                        .toUpper())};
            if (!admits(*presented))
                return end(RouterHttpError::identityChanged);
            ready();
        });
        socket = tls;
    } else {
        socket = new QTcpSocket(this);
        QObject::connect(socket, &QTcpSocket::connected, this, [this] { ready(); });
    }
    // Router traffic stays on the local network: a proxy from the environment
    // would see the router password.
    socket->setProxy(QNetworkProxy::NoProxy);
    QObject::connect(socket, &QTcpSocket::readyRead, this, [this] { read(); });
    QObject::connect(socket, &QAbstractSocket::errorOccurred, this,
                     [this](QAbstractSocket::SocketError error) { lost(error); });
    QObject::connect(socket, &QAbstractSocket::disconnected, this,
                     [this] { lost(QAbstractSocket::RemoteHostClosedError); });
    if (auto* tls = qobject_cast<QSslSocket*>(socket))
        tls->connectToHostEncrypted(where.host, where.port);
    else
        socket->connectToHost(where.host, where.port);
}

void RouterHttpConnection::ready() {
    isReady = true;
    if (whenDone)
        socket->write(request);
}

void RouterHttpConnection::read() {
    const QByteArray bytes = socket->readAll();
    // An idle router says nothing it was not asked; one that does is not asked
    // again. (TLS's own messages after the handshake arrive as empty reads.)
    if (!whenDone)
        return bytes.isEmpty() ? void() : close();
    receivedAny = receivedAny || !bytes.isEmpty();
    switch (reader->take(bytes)) {
    case HttpAnswerReader::Progress::incomplete:
        return;
    case HttpAnswerReader::Progress::complete:
        return answer();
    case HttpAnswerReader::Progress::malformed:
        return end(RouterHttpError::network);
    case HttpAnswerReader::Progress::tooLarge:
        return end(RouterHttpError::tooLarge);
    }
}

void RouterHttpConnection::lost(int socketError) {
    if (!whenDone)
        return close();
    const QByteArray rest = socket->readAll();
    receivedAny = receivedAny || !rest.isEmpty();
    if (reader->take(rest) == HttpAnswerReader::Progress::complete ||
        reader->closed() == HttpAnswerReader::Progress::complete)
        return answer();
    if (mayOpenAgain && !receivedAny) {
        mayOpenAgain = false;
        reader.emplace(maximumAnswerBytes);
        return open();
    }
    end(errorOf(QAbstractSocket::SocketError(socketError)));
}

void RouterHttpConnection::answer() {
    RouterHttpResult result{std::nullopt, reader->status(), reader->headers(), reader->takeBody(), presented};
    const Done done = std::exchange(whenDone, nullptr);
    if (!reader->keepsConnection())
        close();
    done(std::move(result));
}

void RouterHttpConnection::end(RouterHttpError error) {
    const Done done = std::exchange(whenDone, nullptr);
    close();
    if (done)
        done({error, 0, {}, {}});
}

void RouterHttpConnection::dropSocket() {
    if (!socket)
        return;
    QObject::disconnect(socket, nullptr, this, nullptr);
    socket->abort();
    socket->deleteLater();
    socket = nullptr;
}

#include "app/InstanceMessages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTimer>

namespace {

// Silent unless QT_LOGGING_RULES asks for it.
Q_LOGGING_CATEGORY(instanceMessagesLog, "veltrano.instance", QtInfoMsg)

// Any other process of the user's can write here, so what it says is read
// with a limit on both size and time and must be one of the known words.
constexpr qint64 maxMessageLength = 320;
constexpr auto readDeadline = std::chrono::seconds(2);
constexpr int clientTimeoutMs = 1000;

} // namespace

InstanceMessages::InstanceMessages(QString socketPath, QObject* parent)
    : QObject(parent)
    , socketPath(std::move(socketPath)) {
    server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server, &QLocalServer::newConnection, this, &InstanceMessages::accept);
}

bool InstanceMessages::listen() {
    const QString folder = QFileInfo(socketPath).absolutePath();
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return false;
    QLocalServer::removeServer(socketPath);
    return server.listen(socketPath);
}

void InstanceMessages::accept() {
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        socket->setReadBufferSize(maxMessageLength + 1);
        // The socket is the context of both, so neither outlives it.
        QTimer::singleShot(readDeadline, socket, [socket] {
            qCDebug(instanceMessagesLog) << "no request within the deadline";
            socket->abort();
            socket->deleteLater();
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() <= maxMessageLength && !socket->canReadLine())
                return;
            const QByteArray line = socket->read(maxMessageLength + 1);
            socket->abort();
            socket->deleteLater();
            if (line.size() > maxMessageLength)
                qCDebug(instanceMessagesLog) << "request too long, ignored";
            else if (const std::optional<ShellMessage> message = shellMessageFromLine(line))
                Q_EMIT requested(message->request, message->activationToken);
            else
                qCDebug(instanceMessagesLog) << "unknown request ignored:" << line.trimmed();
        });
    }
}

bool InstanceMessages::send(const QString& socketPath, const ShellMessage& message) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(clientTimeoutMs))
        return false;
    socket.write(shellMessageLine(message));
    const bool written = socket.waitForBytesWritten(clientTimeoutMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    return written;
}

QString InstanceMessages::defaultPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return folder + QStringLiteral("/veltrano/instance.socket");
}

#pragma once

#include "app/ShellRequest.h"

#include <QLocalServer>
#include <QObject>

// The running copy's ear for later launches: `veltrano --preferences`, or a
// plain `veltrano`, started while the tray runs hands its request over a local
// socket in the user's own runtime folder and ends, so the windows stay those
// of the one running copy.
// Main thread only.
class InstanceMessages : public QObject {
    Q_OBJECT
public:
    explicit InstanceMessages(QString socketPath, QObject* parent = nullptr);

    // Only while holding the instance lock: a socket left by a copy that crashed
    // is removed first. False when the socket cannot be made; the program then
    // runs without it.
    bool listen();

    // The later launch's side. False when no copy listens, so the caller
    // starts the program itself.
    static bool send(const QString& socketPath, const ShellMessage& message);

    // In a folder of its own, readable only by the user, inside the runtime
    // folder (the cache folder where there is none).
    static QString defaultPath();

Q_SIGNALS:
    // `activationToken` is empty when the launch had none.
    void requested(ShellRequest request, const QByteArray& activationToken);

private:
    void accept();

    QString socketPath;
    QLocalServer server;
};

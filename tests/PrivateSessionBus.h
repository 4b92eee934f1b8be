#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

// A session bus of the test's own that activates nothing, so no real desktop
// service can answer on it. Its connections are closed before the daemon
// goes: libdbus aborts on a private connection left open.
class PrivateSessionBus {
public:
    // Empty address when dbus-daemon is missing or does not start.
    PrivateSessionBus() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !config.open())
            return;
        config.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                     "<policy context='default'><allow send_destination='*'/><allow receive_sender='*'/>"
                     "<allow own='*'/></policy></busconfig>");
        config.flush();
        process.start(daemon, {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                               QStringLiteral("--config-file=") + config.fileName()});
        if (process.waitForReadyRead(5000))
            address = QString::fromUtf8(process.readLine()).trimmed();
    }
    ~PrivateSessionBus() {
        for (const QString& name : std::as_const(names))
            QDBusConnection::disconnectFromBus(name);
        process.kill();
        process.waitForFinished();
    }

    QDBusConnection connect(const QString& name) {
        names.append(name);
        return QDBusConnection::connectToBus(address, name);
    }

    QString address;

private:
    QTemporaryFile config;
    QProcess process;
    QStringList names;
};

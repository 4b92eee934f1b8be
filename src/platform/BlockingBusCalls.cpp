#include "platform/BlockingBusCalls.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace {

constexpr int callTimeoutMs = 4000;

} // namespace

bool BlockingBusCalls::Reply::serviceAbsent() const {
    return error.type() == QDBusError::ServiceUnknown ||
           error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
           error.name().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
}

BlockingBusCalls::BlockingBusCalls(QDBusConnection connection)
    : connection(std::move(connection)) {}

BlockingBusCalls::Reply BlockingBusCalls::call(const QString& service, const QString& path,
                                               const QString& interface, const QString& method,
                                               const QVariantList& arguments) const {
    // Qt's own text for this ("Not connected to D-Bus server") names no cause a
    // user could act on.
    if (!connection.isConnected())
        return {{}, QDBusError(QDBusError::Disconnected, QStringLiteral("the system bus is not running"))};
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = connection.call(message, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {{}, QDBusError(reply)};
    return {reply.arguments().value(0), {}};
}

BlockingBusCalls::Reply BlockingBusCalls::property(const QString& service, const QString& path,
                                                   const QString& interface, const QString& name) const {
    Reply reply = call(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                       QStringLiteral("Get"), {interface, name});
    reply.value = reply.value.value<QDBusVariant>().variant();
    return reply;
}

bool BlockingBusCalls::isRunning(const QString& service) const {
    return call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"), {service})
        .value.toBool();
}

#include "platform/DBusNetworkManager.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>

namespace {

// GetSettings' a{sa{sv}}: setting name to property name to value. Values Qt
// cannot name (arrays of dicts, structs) stay QDBusArguments and go back out
// with their own signature, so an update changes only what we set.
using ConnectionSettings = QMap<QString, QVariantMap>;

const QString service = QStringLiteral("org.freedesktop.NetworkManager");
const QString wireless = QStringLiteral("802-11-wireless");
const QString settingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
// Update2's flag for writing the profile to disk, as `nmcli connection modify` does.
constexpr uint updateToDisk = 0x1;

// The text for a failed change, naming NetworkManager where it is not running;
// else its own words, which say when polkit refused.
QString whyChangeFailed(const BlockingBusCalls::Reply& reply) {
    if (reply.serviceAbsent())
        return QStringLiteral("NetworkManager is not running");
    return reply.error.message();
}

SystemAnswer<WifiConnectionSettings> failedRead(const BlockingBusCalls::Reply& reply) {
    return SystemAnswer<WifiConnectionSettings>::unreadable(QStringLiteral("NetworkManager: ") +
                                                            reply.error.message());
}

} // namespace

DBusNetworkManager::DBusNetworkManager(QDBusConnection bus)
    : calls(std::move(bus)) {
    static const bool registered = [] {
        qDBusRegisterMetaType<ConnectionSettings>();
        return true;
    }();
    Q_UNUSED(registered);
}

SystemAnswer<WifiConnectionSettings> DBusNetworkManager::wifiConnection(const QString& interfaceName) const {
    using Answer = SystemAnswer<WifiConnectionSettings>;
    if (!calls.isRunning(service))
        return Answer::unreadable(QStringLiteral("NetworkManager is not running"));

    const BlockingBusCalls::Reply device =
        calls.call(service, QStringLiteral("/org/freedesktop/NetworkManager"), service,
                   QStringLiteral("GetDeviceByIpIface"), {interfaceName});
    if (device.error.name() == QLatin1String("org.freedesktop.NetworkManager.UnknownDevice"))
        return Answer::unreadable(QStringLiteral("NetworkManager does not manage %1").arg(interfaceName));
    if (device.failed())
        return failedRead(device);

    const BlockingBusCalls::Reply active = calls.property(
        service, device.value.value<QDBusObjectPath>().path(),
        QStringLiteral("org.freedesktop.NetworkManager.Device"), QStringLiteral("ActiveConnection"));
    if (active.failed())
        return failedRead(active);
    const QString activePath = active.value.value<QDBusObjectPath>().path();
    if (activePath == QLatin1String("/"))
        return Answer::unreadable(
            QStringLiteral("NetworkManager has no active connection on %1").arg(interfaceName));

    const BlockingBusCalls::Reply profile = calls.property(
        service, activePath, QStringLiteral("org.freedesktop.NetworkManager.Connection.Active"),
        QStringLiteral("Connection"));
    if (profile.failed())
        return failedRead(profile);
    const QString path = profile.value.value<QDBusObjectPath>().path();

    const BlockingBusCalls::Reply settings =
        calls.call(service, path, settingsInterface, QStringLiteral("GetSettings"));
    if (settings.failed())
        return failedRead(settings);
    const auto groups = qdbus_cast<ConnectionSettings>(settings.value);
    const QVariantMap connection = groups.value(QStringLiteral("connection"));
    const QString name = connection.value(QStringLiteral("id")).toString();
    if (!groups.contains(wireless))
        return Answer::unreadable(
            QStringLiteral("\"%1\" on %2 is not a Wi-Fi connection").arg(name, interfaceName));
    const QVariantMap wifi = groups.value(wireless);
    return Answer::of(
        {path, name,
         static_cast<WifiConnectionSettings::PowerSave>(wifi.value(QStringLiteral("powersave")).toUInt()),
         wifi.value(QStringLiteral("assigned-mac-address")).toString(),
         connection.value(QStringLiteral("stable-id")).toString()});
}

// GetSettings leaves the secrets out, and NetworkManager keeps the stored ones
// when an update carries none.
std::optional<QString> DBusNetworkManager::disablePowerSave(const QString& path) {
    const BlockingBusCalls::Reply settings =
        calls.call(service, path, settingsInterface, QStringLiteral("GetSettings"));
    if (settings.failed())
        return whyChangeFailed(settings);
    auto groups = qdbus_cast<ConnectionSettings>(settings.value);
    if (!groups.contains(wireless))
        return QStringLiteral("the connection is not a Wi-Fi connection");
    groups[wireless][QStringLiteral("powersave")] =
        static_cast<uint>(WifiConnectionSettings::PowerSave::disable);

    const BlockingBusCalls::Reply update =
        calls.call(service, path, settingsInterface, QStringLiteral("Update2"),
                   {QVariant::fromValue(groups), updateToDisk, QVariantMap()});
    if (update.failed())
        return whyChangeFailed(update);
    return std::nullopt;
}

#include "platform/LinuxFirewallPolicy.h"

#include "platform/OsRelease.h"

#include <QDBusArgument>
#include <QFile>

namespace {

const QString firewalld = QStringLiteral("org.fedoraproject.FirewallD1");
const QString firewalldPath = QStringLiteral("/org/fedoraproject/FirewallD1");
const QString zoneInterface = QStringLiteral("org.fedoraproject.FirewallD1.zone");

// ufw's files are shell assignments, as os-release is.
QString shellValue(const QString& path, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return OsRelease::parse(QString::fromUtf8(file.readAll())).value(key);
}

} // namespace

LinuxFirewallPolicy::LinuxFirewallPolicy(QDBusConnection bus, QString ufwConfigPath, QString ufwDefaultsPath)
    : calls(std::move(bus))
    , ufwConfigPath(std::move(ufwConfigPath))
    , ufwDefaultsPath(std::move(ufwDefaultsPath)) {}

// Both may be installed and both may filter; a packet has to pass each.
SystemAnswer<QString> LinuxFirewallPolicy::refusal(const QString& interfaceName,
                                                   const QHostAddress& camera) const {
    if (calls.isRunning(firewalld)) {
        const SystemAnswer<QString> answer = firewalldRefusal(interfaceName, camera);
        if (!answer.value || !answer.value->isEmpty())
            return answer;
    }
    return SystemAnswer<QString>::of(ufwRefusal());
}

// The zone that takes the camera's packets: one bound to its address, else the
// interface's, else the default; only a zone whose target is ACCEPT lets
// through what no service or port opens.
SystemAnswer<QString> LinuxFirewallPolicy::firewalldRefusal(const QString& interfaceName,
                                                            const QHostAddress& camera) const {
    const auto failed = [](const BlockingBusCalls::Reply& reply) {
        return SystemAnswer<QString>::unreadable(QStringLiteral("firewalld: ") + reply.error.message());
    };
    const std::pair<QString, QString> zoneLookups[] = {{QStringLiteral("getZoneOfSource"), camera.toString()},
                                                       {QStringLiteral("getZoneOfInterface"), interfaceName}};
    QString zone;
    for (const auto& [method, argument] : zoneLookups) {
        const BlockingBusCalls::Reply reply =
            calls.call(firewalld, firewalldPath, zoneInterface, method, {argument});
        if (reply.failed())
            return failed(reply);
        zone = reply.value.toString();
        if (!zone.isEmpty())
            break;
    }
    if (zone.isEmpty()) {
        const BlockingBusCalls::Reply reply =
            calls.call(firewalld, firewalldPath, firewalld, QStringLiteral("getDefaultZone"));
        if (reply.failed())
            return failed(reply);
        zone = reply.value.toString();
    }

    const BlockingBusCalls::Reply settings =
        calls.call(firewalld, firewalldPath, zoneInterface, QStringLiteral("getZoneSettings2"), {zone});
    if (settings.failed())
        return failed(settings);
    if (qdbus_cast<QVariantMap>(settings.value).value(QStringLiteral("target")).toString() ==
        QLatin1String("ACCEPT"))
        return SystemAnswer<QString>::of({});
    return SystemAnswer<QString>::of(
        QStringLiteral("firewalld's zone \"%1\" refuses incoming connections from the camera").arg(zone));
}

QString LinuxFirewallPolicy::ufwRefusal() const {
    if (shellValue(ufwConfigPath, QStringLiteral("ENABLED")) != QLatin1String("yes"))
        return {};
    const QString policy = shellValue(ufwDefaultsPath, QStringLiteral("DEFAULT_INPUT_POLICY"));
    if (policy != QLatin1String("DROP") && policy != QLatin1String("REJECT"))
        return {};
    return QStringLiteral("ufw refuses incoming connections by default");
}

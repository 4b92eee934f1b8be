#include "router/unifi/AccessPointSSHCredentials.h"

#include "router/unifi/UniFiAnswer.h"

std::optional<AccessPointSSHCredentials> accessPointSSHCredentials(const QByteArray& answer) {
    const std::optional<QJsonArray> data = uniFiData(answer);
    if (!data)
        return std::nullopt;
    for (const QJsonValue& entry : *data) {
        const QJsonObject setting = entry.toObject();
        if (setting.value(QStringLiteral("key")).toString() != QStringLiteral("mgmt"))
            continue;
        const QJsonValue username = setting.value(QStringLiteral("x_ssh_username"));
        const QJsonValue password = setting.value(QStringLiteral("x_ssh_password"));
        // An empty password opens no access point, and would replace one that does.
        if (username.toString().isEmpty() || password.toString().isEmpty())
            return std::nullopt;
        return AccessPointSSHCredentials{username.toString(), password.toString()};
    }
    return std::nullopt;
}

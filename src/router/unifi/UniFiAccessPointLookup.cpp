#include "router/unifi/UniFiAccessPointLookup.h"

#include "router/unifi/UniFiAnswer.h"

#include <QHostAddress>

std::optional<QString> uniFiAccessPointMAC(const QJsonArray& stations, const QString& mac) {
    const std::optional<QJsonObject> station = uniFiObjectForMAC(stations, mac);
    if (!station)
        return std::nullopt;
    const QString apMAC = station->value(QStringLiteral("ap_mac")).toString();
    if (apMAC.isEmpty())
        return std::nullopt;
    return apMAC;
}

std::optional<QString> uniFiAccessPointIP(const QJsonArray& devices, const QString& apMAC) {
    const std::optional<QJsonObject> device = uniFiObjectForMAC(devices, apMAC);
    if (!device)
        return std::nullopt;
    const QString ip = device->value(QStringLiteral("ip")).toString();
    QHostAddress address;
    // setAddress also takes scoped IPv6 text; a "%" has no business on a command line.
    if (!address.setAddress(ip) || ip.contains(QLatin1Char('%')))
        return std::nullopt;
    return ip;
}

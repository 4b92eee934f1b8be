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

AccessPointAddress uniFiAccessPointAddress(const QJsonArray& devices, const QString& apMAC) {
    const std::optional<QJsonObject> device = uniFiObjectForMAC(devices, apMAC);
    if (!device)
        return {std::nullopt, QStringLiteral("access point not among the devices")};
    // A device the site has not adopted has never been given the site's device login.
    if (device->value(QStringLiteral("adopted")) != QJsonValue(true))
        return {std::nullopt, QStringLiteral("access point not adopted")};
    const QString ip = device->value(QStringLiteral("ip")).toString();
    // Only the canonical text: ssh would read a leading zero as octal, and
    // reach another host than the one checked against our subnets.
    const QHostAddress address(ip);
    if (address.protocol() != QAbstractSocket::IPv4Protocol || address.toString() != ip)
        return {std::nullopt, QStringLiteral("access point address not plain IPv4")};
    return {ip, QString()};
}

#include "router/unifi/UniFiAccessPointLookup.h"

#include "router/RouterText.h"
#include "router/unifi/UniFiAnswer.h"

#include <QHostAddress>

namespace {

// Firmware sends `radio_table` as an array of radios, some as one object.
bool hasRadios(const QJsonObject& device) {
    const QJsonValue radios = device.value(QStringLiteral("radio_table"));
    return (radios.isArray() && !radios.toArray().isEmpty()) ||
           (radios.isObject() && !radios.toObject().isEmpty());
}

AccessPointAddress refused(const QString& reason) {
    return {std::nullopt, reason, QString()};
}

} // namespace

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
        return refused(QStringLiteral("access point not among the devices"));
    // A device the site has not adopted has never been given the site's device login.
    if (device->value(QStringLiteral("adopted")) != QJsonValue(true))
        return refused(QStringLiteral("access point not adopted"));
    if (!hasRadios(*device))
        return refused(QStringLiteral("device has no radios"));
    const QString ip = device->value(QStringLiteral("ip")).toString();
    // Only the canonical text: ssh would read a leading zero as octal, and
    // reach another host than the one checked against our subnets.
    const QHostAddress address(ip);
    if (address.protocol() != QAbstractSocket::IPv4Protocol || address.toString() != ip)
        return refused(QStringLiteral("access point address not plain IPv4"));
    return {ip, QString(),
            routerText(device->value(QStringLiteral("name")).toString(), RouterTextKind::name)};
}

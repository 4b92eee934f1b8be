#pragma once

#include <QJsonArray>
#include <QString>
#include <optional>

// Which access point a station hangs on, from /stat/sta and /stat/device.

// The `ap_mac` of the station `mac` in a /stat/sta `data` array.
std::optional<QString> uniFiAccessPointMAC(const QJsonArray& stations, const QString& mac);

// Where the device `apMAC` is reached, or why it is not to be contacted.
struct AccessPointAddress {
    std::optional<QString> ip;
    // Empty when `ip` is set; otherwise a few words for the log.
    QString refusal;
    // The name the site gave the access point, cleaned for display; may be empty.
    QString name;
};

// From a /stat/device `data` array, which also lists gateways, switches and
// modems. The address is given by the controller and becomes the host of an ssh
// login that carries the site's device password, so only an adopted device with
// radios and a plain dotted-quad IPv4 `ip` is taken (never one of its other
// address fields).
AccessPointAddress uniFiAccessPointAddress(const QJsonArray& devices, const QString& apMAC);

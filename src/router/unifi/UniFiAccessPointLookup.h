#pragma once

#include <QJsonArray>
#include <QString>
#include <optional>

// Which access point a station hangs on, from /stat/sta and /stat/device.

// The `ap_mac` of the station `mac` in a /stat/sta `data` array.
std::optional<QString> uniFiAccessPointMAC(const QJsonArray& stations, const QString& mac);

// The `ip` of the device `apMAC` in a /stat/device `data` array. The address
// becomes the host of an ssh command line, so only a plain IP address is taken.
std::optional<QString> uniFiAccessPointIP(const QJsonArray& devices, const QString& apMAC);

#pragma once

#include <QString>
#include <optional>

// Shell command lines run on the access point. Both carry text that came from
// settings or from the controller, so anything but a plain MAC or IPv4 address
// gives no command at all.

// Asks hostapd for the station `mac` on each of the access point's radio
// interfaces in turn and prints the first real answer.
std::optional<QString> hostapdStationCommand(const QString& mac);

// Wakes a dozing station so that hostapd's figures are fresh; runs in the background.
std::optional<QString> stationPingCommand(const QString& ip);

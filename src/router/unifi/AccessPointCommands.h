#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Shell command lines run on the access point. They carry text that came from
// settings or from the controller, so anything but a plain MAC, IPv4 address or
// interface name gives no command at all.

// Names the access point's hostapd interfaces: its control sockets, and the
// `bss[N]=` lines of `hostapd_cli status`. Read with hostapdInterfaces.
QString hostapdInterfacesCommand();

// The interfaces in that command's output that can carry a station, each once,
// in order: not the scanning radio (scan*), wired bridges (vwire*) or the
// multi-link device itself (mld-*), nor anything that is not an interface name.
QStringList hostapdInterfaces(const QString& output);

// Asks hostapd for the station `mac` on each of `interfaces` in turn and prints
// the first real answer; where none knows the station by that address (a
// multi-link station is kept under its links), prints every interface's
// `all_sta`. Without `interfaces` (the access point named none) it asks on the
// radios older firmware has.
std::optional<QString> hostapdStationCommand(const QString& mac, const QStringList& interfaces);

// Wakes a dozing station so that hostapd's figures are fresh; runs in the background.
std::optional<QString> stationPingCommand(const QString& ip);

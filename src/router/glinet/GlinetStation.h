#pragma once

#include "router/ClientLinkDetail.h"
#include "router/RouterClient.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The radio side of a GL.iNet target: what `ubus call iwinfo assoclist` says
// about one station.
struct GlinetRadio {
    // dBm; -99 when the station sends no signal.
    int rssi = -99;
    // Mbit/s.
    double txRate = 0.0;
    // Older builds keep 32-bit counters that wrap; the target monitor treats a
    // counter that goes backwards as a reset.
    std::uint64_t txBytes = 0;
    std::uint64_t rxBytes = 0;
    ClientLinkDetail linkDetail;

    bool operator==(const GlinetRadio&) const = default;
};

inline const QString glinetDevicesCommand = QStringLiteral("ubus call iwinfo devices");

// Wakes a dozing station so that its radio figures are fresh. None unless the
// address is four dot-separated decimal numbers: it is run by the router's shell.
std::optional<QString> glinetPingCommand(const QString& ip);

// The assoclist command for one interface. None for a name that is not a plain
// interface name, since the name is run by the router's shell.
std::optional<QString> glinetAssoclistCommand(const QString& device);

// The interface names of an `iwinfo devices` answer; none when it is unreadable.
std::optional<QStringList> readIwinfoDevices(const QByteArray& output);

// The first station of an assoclist answer whose MAC matches, ignoring letter
// case (OpenWrt writes upper case, the client list lower case); none when the
// answer is unreadable or has no such station.
std::optional<QJsonObject> findAssociatedStation(const QByteArray& output, const QString& mac);

GlinetRadio radioFromStation(const QJsonObject& station);

// The list row completed with the radio record: RSSI, rate and link detail from
// the radio (RSSI -99 and rate 0 without one), each counter from the radio unless
// it is 0. A record missing because the router's shell did not answer
// (`shellSilent`) is marked as such: it says nothing about the station's signal.
RouterClient withRadio(RouterClient row, const std::optional<GlinetRadio>& radio, bool shellSilent);

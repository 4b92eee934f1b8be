#pragma once

#include "router/RouterClient.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <optional>

// Rules every router adapter follows when it turns its router's answer into
// RouterClient rows.

// Where the router's station sits, when the adapter can tell the band.
namespace BandLabel {
inline const QString twoPointFour = QStringLiteral("2.4G");
inline const QString five = QStringLiteral("5G");
inline const QString six = QStringLiteral("6G");
// A wireless station whose band the router does not say.
inline const QString unknownWireless = QStringLiteral("wlan");
} // namespace BandLabel

// The JSON parser keeps integers only up to 2^63 - 1 exactly and rounds larger
// ones through double, which would corrupt byte counters near the top of the
// unsigned 64-bit range. Such integers are therefore read as decimal strings,
// which readCounter accepts. None when the text is not JSON.
std::optional<QJsonDocument> parseRouterJson(const QByteArray& body);

// A byte counter: a non-negative JSON number (a fraction is dropped) or a string
// of decimal digits; none for anything else, including values beyond 2^64 - 1.
std::optional<std::uint64_t> readCounter(const QJsonValue& value);

// The first of `keys` holding a readable counter; 0 when none does.
std::uint64_t firstCounter(const QJsonObject& row, std::initializer_list<QString> keys);

// The first of `keys` holding a non-empty string; empty when none does.
QString firstString(const QJsonObject& row, std::initializer_list<QString> keys);

// A JSON number as dBm (a fraction is dropped); none for anything else,
// including numbers beyond the integer range.
std::optional<int> readRSSI(const QJsonValue& value);

// The first of `keys` holding a number readRSSI reads; the unknown-RSSI value
// -99 when none does.
int firstRSSI(const QJsonObject& row, std::initializer_list<QString> keys);

// Routers that report rates in kbit/s; rows carry Mbit/s.
double megabitsFromKilobits(double kilobitsPerSecond);

// 802.11ax ("ax") and later ("be") reach higher rates on a channel of the same
// width than the PHY modes before them.
bool hasHighEfficiencyRates(const std::optional<QString>& phyMode);

// A channel width guessed from the rate carried per spatial stream (no or zero
// streams count as one), for stations whose router names no width: the
// narrowest width whose top rate per stream the rate does not exceed, with the
// top rates of `phyMode` ("be" up to 320 MHz, "ax", anything else as 802.11ac).
// None for a rate of 0.
std::optional<int> estimatedWidthMHz(double rateMbps, std::optional<int> nss,
                                     const std::optional<QString>& phyMode);

// The row's texts as routerText makes them: the hostname as a name, the MAC,
// address, band and PHY mode as single values. The last step of every row
// made from a router's answer.
RouterClient withRouterText(RouterClient row);

// The once-per-run "[DIAG] " dumps of a router's row: the heading, then one
// "  key = value" line per field in key order (arrays and objects as compact
// JSON, null as "nil"). Neither the heading nor a field adds a line of its own.
QString fieldDump(const QString& heading, const QJsonObject& fields);

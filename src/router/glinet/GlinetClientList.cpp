#include "router/glinet/GlinetClientList.h"

#include "router/RowNormalisation.h"
#include "router/glinet/GlinetRpcAnswer.h"

#include <algorithm>

namespace {

// `online` and `alive` come as booleans or as 0 / 1; anything else says nothing.
std::optional<bool> flag(const QJsonValue& value) {
    if (value.isBool())
        return value.toBool();
    if (value.isDouble())
        return value.toDouble() != 0.0;
    return std::nullopt;
}

bool reportsLiveness(const QJsonArray& clients) {
    return std::any_of(clients.begin(), clients.end(), [](const QJsonValue& entry) {
        return flag(entry.toObject().value(QStringLiteral("online"))) == true;
    });
}

bool isKept(const QJsonObject& entry, bool listReportsLiveness) {
    const auto online = flag(entry.value(QStringLiteral("online")));
    if (!online)
        return flag(entry.value(QStringLiteral("alive"))) != false;
    if (*online)
        return true;
    return !listReportsLiveness && !entry.value(QStringLiteral("iface")).toString().isEmpty();
}

double firstRate(const QJsonObject& entry) {
    for (const QString& key : {QStringLiteral("tx_rate"), QStringLiteral("txrate")})
        if (const QJsonValue rate = entry.value(key); rate.isDouble())
            return rate.toDouble();
    return 0.0;
}

RouterClient rowFrom(const QJsonObject& entry, const QString& mac) {
    RouterClient row;
    row.mac = mac;
    row.iface = entry.value(QStringLiteral("iface")).toString();
    row.ip = entry.value(QStringLiteral("ip")).toString();
    row.hostname = firstString(entry, {QStringLiteral("name"), QStringLiteral("hostname")});
    row.txRate = firstRate(entry);
    row.txBytes = firstCounter(entry, {QStringLiteral("total_tx"), QStringLiteral("tx_bytes")});
    row.rxBytes = firstCounter(entry, {QStringLiteral("total_rx"), QStringLiteral("rx_bytes")});
    row.isOnline = true;
    return withRouterText(row);
}

} // namespace

GlinetClientList readGlinetClientList(const QByteArray& body) {
    const auto answer = readGlinetRpcAnswer(body);
    if (!answer)
        return {};
    if (answer->isSessionExpired())
        return {true, {}, {}};
    const QJsonArray clients = answer->result.value(QStringLiteral("clients")).toArray();
    return {false, clients, glinetClientRows(clients)};
}

QList<RouterClient> glinetClientRows(const QJsonArray& clients) {
    const bool listReportsLiveness = reportsLiveness(clients);
    QList<RouterClient> rows;
    for (const QJsonValue& value : clients) {
        const QJsonObject entry = value.toObject();
        const QString mac = entry.value(QStringLiteral("mac")).toString();
        if (!mac.isEmpty() && isKept(entry, listReportsLiveness))
            rows.append(rowFrom(entry, mac));
    }
    return rows;
}

std::optional<QJsonObject> glinetClientEntry(const QJsonArray& clients, const QString& mac) {
    if (mac.isEmpty())
        return std::nullopt;
    for (const QJsonValue& value : clients) {
        const QJsonObject entry = value.toObject();
        if (entry.value(QStringLiteral("mac")).toString().compare(mac, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return std::nullopt;
}

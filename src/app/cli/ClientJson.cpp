#include "app/cli/ClientJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <limits>

namespace {

// Counters past 2^63 (rare, but routers do send them) cannot be a JSON
// integer here; the nearest double is the honest rendering then.
QJsonValue counter(std::uint64_t value) {
    if (value <= static_cast<std::uint64_t>(std::numeric_limits<qint64>::max()))
        return QJsonValue(static_cast<qint64>(value));
    return QJsonValue(static_cast<double>(value));
}

template <typename T> QJsonValue optionalValue(const std::optional<T>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

} // namespace

QJsonObject clientJson(const RouterClient& row) {
    QJsonValue detail(QJsonValue::Null);
    if (row.linkDetail) {
        detail = QJsonObject{
            {QStringLiteral("mcs"), optionalValue(row.linkDetail->mcs)},
            {QStringLiteral("nss"), optionalValue(row.linkDetail->nss)},
            {QStringLiteral("widthMHz"), optionalValue(row.linkDetail->widthMHz)},
            {QStringLiteral("shortGI"), optionalValue(row.linkDetail->shortGI)},
            {QStringLiteral("phyMode"), optionalValue(row.linkDetail->phyMode)},
        };
    }
    return QJsonObject{
        {QStringLiteral("mac"), row.mac},
        {QStringLiteral("ip"), row.ip},
        {QStringLiteral("hostname"), row.hostname},
        {QStringLiteral("iface"), row.iface},
        {QStringLiteral("rssi"), row.rssi},
        {QStringLiteral("txRate"), row.txRate},
        {QStringLiteral("isOnline"), row.isOnline},
        {QStringLiteral("txBytes"), counter(row.txBytes)},
        {QStringLiteral("rxBytes"), counter(row.rxBytes)},
        {QStringLiteral("linkDetail"), detail},
    };
}

QByteArray clientsJson(const QList<RouterClient>& rows) {
    QJsonArray array;
    for (const RouterClient& row : rows)
        array.append(clientJson(row));
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

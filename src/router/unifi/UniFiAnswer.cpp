#include "router/unifi/UniFiAnswer.h"

#include "router/RowNormalisation.h"

std::optional<QJsonArray> uniFiData(const QByteArray& answer) {
    const std::optional<QJsonDocument> document = parseRouterJson(answer);
    if (!document || !document->isObject())
        return std::nullopt;
    const QJsonValue data = document->object().value(QStringLiteral("data"));
    if (!data.isArray())
        return std::nullopt;
    return data.toArray();
}

std::optional<QJsonObject> uniFiObjectForMAC(const QJsonArray& data, const QString& mac) {
    if (mac.isEmpty())
        return std::nullopt;
    for (const QJsonValue& entry : data) {
        const QJsonObject object = entry.toObject();
        if (object.value(QStringLiteral("mac")).toString().compare(mac, Qt::CaseInsensitive) == 0)
            return object;
    }
    return std::nullopt;
}

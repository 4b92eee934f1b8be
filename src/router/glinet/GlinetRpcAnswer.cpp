#include "router/glinet/GlinetRpcAnswer.h"

#include "router/RouterText.h"
#include "router/RowNormalisation.h"

#include <cmath>

std::optional<QString> glinetCodeText(const QJsonValue& code) {
    // Logged as the reason for a refused login.
    if (code.isString())
        return routerText(code.toString(), RouterTextKind::line);
    if (!code.isDouble())
        return std::nullopt;
    const double number = code.toDouble();
    if (std::trunc(number) == number && std::abs(number) < 1e15)
        return QString::number(static_cast<qint64>(number));
    return QString::number(number);
}

bool GlinetRpcAnswer::isSessionExpired() const {
    return errorCode == QStringLiteral("-32000");
}

std::optional<GlinetRpcAnswer> readGlinetRpcAnswer(const QByteArray& body) {
    const auto document = parseRouterJson(body);
    if (!document || !document->isObject())
        return std::nullopt;
    const QJsonObject root = document->object();
    return GlinetRpcAnswer{
        root.value(QStringLiteral("result")).toObject(),
        glinetCodeText(root.value(QStringLiteral("error")).toObject().value(QStringLiteral("code")))};
}

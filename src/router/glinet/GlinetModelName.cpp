#include "router/glinet/GlinetModelName.h"

#include "router/RouterText.h"
#include "router/RowNormalisation.h"

#include <QJsonObject>
#include <array>
#include <utility>

namespace {

// Model code → marketing name. No model text contains two keys with different
// names, so the order does not matter.
const std::array<std::pair<QString, QString>, 12>& marketingNames() {
    static const std::array<std::pair<QString, QString>, 12> table{{
        {QStringLiteral("GL-MT6000"), QStringLiteral("Flint 2")},
        {QStringLiteral("GL-MT3600BE"), QStringLiteral("Beryl 7")},
        {QStringLiteral("GL-MT3000"), QStringLiteral("Beryl AX")},
        {QStringLiteral("GL-XE3000"), QStringLiteral("Puli AX")},
        {QStringLiteral("GL-E5800"), QStringLiteral("Mudi 7")},
        {QStringLiteral("E5800"), QStringLiteral("Mudi 7")},
        {QStringLiteral("GL-AXT1800"), QStringLiteral("Slate AX")},
        {QStringLiteral("GL-AR750S"), QStringLiteral("Slate")},
        {QStringLiteral("GL-AX1800"), QStringLiteral("Flint")},
        {QStringLiteral("GL-MT2500"), QStringLiteral("Brume 2")},
        {QStringLiteral("GL-SFT1200"), QStringLiteral("Opal")},
        {QStringLiteral("GL-MT1300"), QStringLiteral("Beryl")},
    }};
    return table;
}

QString modelCode(const QString& model) {
    if (model.contains(QStringLiteral("E5800")))
        return QStringLiteral("GL-E5800");
    QString code = model;
    if (code.startsWith(QStringLiteral("GL.iNet ")))
        code.remove(0, QStringLiteral("GL.iNet ").size());
    return code.section(QLatin1Char(','), 0, 0).trimmed();
}

} // namespace

std::optional<QString> readGlinetBoardModel(const QByteArray& output) {
    const auto document = parseRouterJson(output);
    if (!document || !document->isObject())
        return std::nullopt;
    const QString model =
        routerText(document->object().value(QStringLiteral("model")).toString(), RouterTextKind::name);
    if (model.isEmpty())
        return std::nullopt;
    return model;
}

QString glinetModelName(const QString& model) {
    for (const auto& [key, name] : marketingNames())
        if (model.contains(key))
            return name + QStringLiteral(" (") + modelCode(model) + QLatin1Char(')');
    return model;
}

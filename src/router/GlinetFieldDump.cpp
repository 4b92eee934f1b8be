#include "router/GlinetFieldDump.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QStringList>

namespace {

QString valueText(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nil");
}

QString fieldDump(const QString& heading, const QJsonObject& row) {
    QStringList lines{heading};
    // QJsonObject keeps its keys sorted.
    for (auto field = row.begin(); field != row.end(); ++field)
        lines.append(QStringLiteral("  ") + field.key() + QStringLiteral(" = ") + valueText(field.value()));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString glinetClientListDump(const QString& mac, const QJsonObject& row) {
    return fieldDump(QStringLiteral("[DIAG] GL.iNet clients.get_list fields for ") + mac + QLatin1Char(':'),
                     row);
}

QString glinetAssoclistDump(const QString& mac, const QJsonObject& station) {
    return fieldDump(QStringLiteral("[DIAG] GL.iNet iwinfo assoclist fields for ") + mac + QLatin1Char(':'),
                     station);
}

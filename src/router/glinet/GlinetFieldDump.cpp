#include "router/glinet/GlinetFieldDump.h"

#include "router/RowNormalisation.h"

QString glinetClientListDump(const QString& mac, const QJsonObject& row) {
    return fieldDump(QStringLiteral("[DIAG] GL.iNet clients.get_list fields for ") + mac + QLatin1Char(':'),
                     row);
}

QString glinetAssoclistDump(const QString& mac, const QJsonObject& station) {
    return fieldDump(QStringLiteral("[DIAG] GL.iNet iwinfo assoclist fields for ") + mac + QLatin1Char(':'),
                     station);
}

#include "router/ClientLinkDetail.h"

#include <QStringList>

QString linkDetailText(const ClientLinkDetail& detail) {
    QStringList parts;
    if (detail.mcs)
        parts << QStringLiteral("MCS ") + QString::number(*detail.mcs);
    if (detail.widthMHz)
        parts << QString::number(*detail.widthMHz) + QStringLiteral(" MHz");
    if (detail.nss)
        parts << QString::number(*detail.nss) + QStringLiteral("SS");
    if (detail.shortGI)
        parts << (*detail.shortGI ? QStringLiteral("SGI") : QStringLiteral("LGI"));
    if (detail.phyMode)
        parts << QStringLiteral("802.11") + *detail.phyMode;
    if (parts.isEmpty())
        return QStringLiteral("--");
    return parts.join(QStringLiteral(" \u00B7 "));
}

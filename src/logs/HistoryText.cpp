#include "logs/HistoryText.h"

#include "router/RouterText.h"

#include <QDateTime>
#include <algorithm>

QString HistoryText::localTime(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Whole seconds down: a drop of 59.9 s did not last a minute.
QString HistoryText::duration(qint64 ms) {
    const qint64 seconds = std::max<qint64>(0, ms) / 1000;
    const auto twoDigits = [](qint64 value) { return QString::number(value).rightJustified(2, u'0'); };
    if (seconds < 60)
        return QString::number(seconds) + QStringLiteral(" s");
    if (seconds < 3600)
        return QString::number(seconds / 60) + QStringLiteral(" min ") + twoDigits(seconds % 60) +
               QStringLiteral(" s");
    return QString::number(seconds / 3600) + QStringLiteral(" h ") + twoDigits(seconds / 60 % 60) +
           QStringLiteral(" min");
}

QString HistoryText::rssi(std::optional<int> dBm) {
    return dBm ? QString::number(*dBm) + QStringLiteral(" dBm") : QStringLiteral("\u2014");
}

QStringList HistoryText::incidentHeaders() {
    return {QStringLiteral("Camera"),      QStringLiteral("Start"),        QStringLiteral("Duration"),
            QStringLiteral("Lowest RSSI"), QStringLiteral("Access point"), QStringLiteral("Router")};
}

QStringList HistoryText::incidentCells(const HistoryIncident& incident) {
    return {routerText(incident.name, RouterTextKind::name),
            localTime(incident.startMs),
            duration(incident.durationMs),
            rssi(incident.lowestRssi),
            routerText(incident.accessPoint, RouterTextKind::line),
            routerText(incident.said, RouterTextKind::line)};
}

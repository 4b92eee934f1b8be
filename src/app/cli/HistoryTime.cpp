#include "app/cli/HistoryTime.h"

#include <QDateTime>
#include <QRegularExpression>

std::optional<qint64> HistoryTime::parse(const QString& text, qint64 nowMs) {
    // Seven digits of days reach back further than any clock, yet cannot overflow.
    static const QRegularExpression ago(QStringLiteral("^([0-9]{1,7})([mhd])$"));
    if (const QRegularExpressionMatch match = ago.match(text); match.hasMatch()) {
        const qint64 unitMs = match.captured(2) == QStringLiteral("m")   ? 60'000
                              : match.captured(2) == QStringLiteral("h") ? 3'600'000
                                                                         : 86'400'000;
        return nowMs - match.captured(1).toLongLong() * unitMs;
    }
    // A bare date is not a time of day; asking for one keeps "2026-12-09" from
    // silently meaning midnight.
    if (!text.contains(u'T'))
        return std::nullopt;
    const QDateTime time = QDateTime::fromString(text, Qt::ISODate);
    return time.isValid() ? std::optional<qint64>(time.toMSecsSinceEpoch()) : std::nullopt;
}

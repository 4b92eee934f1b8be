#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// The TIME of `report` and `history`: an ISO 8601 date and time
// ("2026-12-09T14:00", seconds and an offset optional, local time without one)
// or how long ago ("15m", "2h", "3d"). None for anything else.
namespace HistoryTime {

std::optional<qint64> parse(const QString& text, qint64 nowMs);

} // namespace HistoryTime

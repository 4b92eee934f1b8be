#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// A stretch during which the router stopped answering its health probe.
struct HistoryOutage {
    qint64 startMs = 0;
    // None while the router is still down.
    std::optional<qint64> endMs;
    // What the monitor concluded, in the session log's words.
    QString said;

    bool operator==(const HistoryOutage&) const = default;
};

#pragma once

#include "logs/HistorySnapshot.h"

#include <QObject>
#include <QtGlobal>
#include <functional>
#include <optional>

// Where the signal history window reads from: the database through its worker in
// the program, a fixed snapshot in tests. Main thread only.
class HistorySource {
public:
    virtual ~HistorySource() = default;

    // Reads the range off the main thread; `done` runs on the main thread, and
    // not at all once `receiver` is gone.
    virtual void load(qint64 fromMs, qint64 toMs, QObject* receiver,
                      std::function<void(HistorySnapshot)> done) = 0;
    // When the router was last connected (or the computer's link first read), for
    // the "Since connect" range; none before the first reading.
    virtual std::optional<qint64> connectedSinceMs() const = 0;
};

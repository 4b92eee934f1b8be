#pragma once

#include "HttpRequest.h"

#include <QJsonArray>

// Every request the router ports received since the last reset, for tests that
// count logins, check what a client sent, or see how many requests it had out
// at once: each entry has `at`, the simulator's milliseconds when it came, and
// `until` once it was answered or its connection closed.
class RequestLog {
public:
    // A bound keeps a runaway client from growing the simulator without end.
    static constexpr qsizetype maxEntries = 10000;

    // Returns the number by which end() finds the entry.
    quint64 append(const HttpRequest& request, quint16 port, qint64 atMs);
    // The first call for an entry counts; an entry dropped by the bound is ignored.
    void end(quint64 number, qint64 atMs);
    void clear() {
        dropped += static_cast<quint64>(entries.size());
        entries = QJsonArray();
    }
    const QJsonArray& json() const { return entries; }

private:
    QJsonArray entries;
    // Entries ever removed from the front, so a number still finds its entry.
    quint64 dropped = 0;
};

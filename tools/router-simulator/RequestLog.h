#pragma once

#include "HttpRequest.h"

#include <QJsonArray>

// Every request the router ports received since the last reset, for tests that
// count logins or check what a client sent.
class RequestLog {
public:
    // A bound keeps a runaway client from growing the simulator without end.
    static constexpr qsizetype maxEntries = 10000;

    void append(const HttpRequest& request, quint16 port);
    void clear() { entries = QJsonArray(); }
    const QJsonArray& json() const { return entries; }

private:
    QJsonArray entries;
};

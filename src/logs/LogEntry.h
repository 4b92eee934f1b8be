#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <optional>

// One line of the session log, in the form it is stored in session_log.json.
struct LogEntry {
    // Seconds since 2001-01-01T00:00:00Z, with fraction. Kept as stored so that a
    // load and save cycle never shifts an entry by rounding.
    double timestamp = 0;
    QString state;
    std::optional<int> rssi;
    std::optional<int> percent;
    QString message;

    bool operator==(const LogEntry& other) const = default;

    static double timestampFrom(const QDateTime& moment);
    QDateTime dateTime() const;

    // One compact JSON object.
    QByteArray toJson() const;
    // None when a required key is missing, a value has the wrong type or the time
    // lies beyond what any clock wrote.
    static std::optional<LogEntry> fromJson(const QJsonValue& value);

    // The whole file: a compact JSON array, oldest first.
    static QByteArray encodeList(const QList<LogEntry>& entries);
    // All or nothing: one malformed object rejects the whole array.
    static std::optional<QList<LogEntry>> decodeList(const QByteArray& data);
};

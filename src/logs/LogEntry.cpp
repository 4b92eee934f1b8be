#include "logs/LogEntry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocale>
#include <cmath>
#include <limits>

namespace {

// 2001-01-01T00:00:00Z in milliseconds since the Unix epoch.
constexpr qint64 referenceEpochMs = 978307200000;
// Some 30 million years either way: no clock wrote a time beyond it, and its
// milliseconds would no longer fit the 64-bit count a QDateTime is made from.
constexpr double timestampLimit = 1e15;

const QString timestampKey = QStringLiteral("timestamp");
const QString stateKey = QStringLiteral("state");
const QString rssiKey = QStringLiteral("rssi");
const QString percentKey = QStringLiteral("percent");
const QString messageKey = QStringLiteral("message");

// Absent and null both mean "no value"; anything else must be a whole number
// that fits an int, or the object is malformed.
bool readOptionalInt(const QJsonObject& object, const QString& key, std::optional<int>& result) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) {
        result.reset();
        return true;
    }
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    if (std::trunc(number) != number || number < std::numeric_limits<int>::min() ||
        number > std::numeric_limits<int>::max())
        return false;
    result = static_cast<int>(number);
    return true;
}

void appendJsonString(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    out.append('"');
    qsizetype runStart = 0;
    for (qsizetype index = 0; index < utf8.size(); ++index) {
        const auto byte = static_cast<unsigned char>(utf8[index]);
        if (byte >= 0x20 && byte != '"' && byte != '\\')
            continue;
        out.append(utf8.constData() + runStart, index - runStart);
        runStart = index + 1;
        if (byte == '"' || byte == '\\') {
            out.append('\\').append(char(byte));
        } else {
            static constexpr char hexDigits[] = "0123456789abcdef";
            out.append("\\u00").append(hexDigits[byte >> 4]).append(hexDigits[byte & 0xf]);
        }
    }
    out.append(utf8.constData() + runStart, utf8.size() - runStart);
    out.append('"');
}

void appendJsonNumber(QByteArray& out, double number) {
    // Whole numbers as integers, everything else as the shortest text that reads
    // back as the same double.
    constexpr double exactIntegerLimit = 9007199254740992.0; // 2^53
    if (std::trunc(number) == number && std::fabs(number) < exactIntegerLimit)
        out.append(QByteArray::number(static_cast<qint64>(number)));
    else
        out.append(QByteArray::number(number, 'g', QLocale::FloatingPointShortest));
}

// Written by hand rather than through QJsonDocument: the whole list is rewritten
// on every append, and building 5,000 JSON objects first costs several times
// more than the text itself.
void appendJsonObject(QByteArray& out, const LogEntry& entry) {
    out.append("{\"timestamp\":");
    appendJsonNumber(out, entry.timestamp);
    out.append(",\"state\":");
    appendJsonString(out, entry.state);
    if (entry.rssi)
        out.append(",\"rssi\":").append(QByteArray::number(*entry.rssi));
    if (entry.percent)
        out.append(",\"percent\":").append(QByteArray::number(*entry.percent));
    out.append(",\"message\":");
    appendJsonString(out, entry.message);
    out.append('}');
}

} // namespace

double LogEntry::timestampFrom(const QDateTime& moment) {
    return static_cast<double>(moment.toMSecsSinceEpoch() - referenceEpochMs) / 1000.0;
}

QDateTime LogEntry::dateTime() const {
    // Truncate to the millisecond so a clock display never shows the next second early.
    const auto offsetMs = static_cast<qint64>(std::floor(timestamp * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(referenceEpochMs + offsetMs, Qt::UTC);
}

QByteArray LogEntry::toJson() const {
    QByteArray out;
    appendJsonObject(out, *this);
    return out;
}

std::optional<LogEntry> LogEntry::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue timestamp = object.value(timestampKey);
    const QJsonValue state = object.value(stateKey);
    const QJsonValue message = object.value(messageKey);
    if (!timestamp.isDouble() || !(std::fabs(timestamp.toDouble()) < timestampLimit) || !state.isString() ||
        !message.isString())
        return std::nullopt;

    LogEntry entry;
    entry.timestamp = timestamp.toDouble();
    entry.state = state.toString();
    entry.message = message.toString();
    if (!readOptionalInt(object, rssiKey, entry.rssi) || !readOptionalInt(object, percentKey, entry.percent))
        return std::nullopt;
    return entry;
}

QByteArray LogEntry::encodeList(const QList<LogEntry>& entries) {
    QByteArray out;
    out.reserve(entries.size() * 160 + 2);
    out.append('[');
    for (const LogEntry& entry : entries) {
        if (out.size() > 1)
            out.append(',');
        appendJsonObject(out, entry);
    }
    out.append(']');
    return out;
}

std::optional<QList<LogEntry>> LogEntry::decodeList(const QByteArray& data) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;

    const QJsonArray array = document.array();
    QList<LogEntry> entries;
    entries.reserve(array.size());
    for (const QJsonValue& value : array) {
        std::optional<LogEntry> entry = LogEntry::fromJson(value);
        if (!entry)
            return std::nullopt;
        entries.append(std::move(*entry));
    }
    return entries;
}

#include "router/RowNormalisation.h"

#include "monitor/SignalModel.h"
#include "router/RouterText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QStringList>
#include <cmath>
#include <limits>
#include <span>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isNumberCharacter(char c) {
    return isDigit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// Every integer of up to this many digits fits a signed 64-bit integer.
constexpr qsizetype digitsThatAlwaysFit = 18;

// An integer literal the parser could not hold exactly.
bool isOversizedInteger(QByteArrayView token) {
    const qsizetype firstDigit = token.startsWith('-') ? 1 : 0;
    if (token.size() - firstDigit <= digitsThatAlwaysFit)
        return false;
    for (qsizetype i = firstDigit; i < token.size(); ++i)
        if (!isDigit(token.at(i)))
            return false;
    bool fits = false;
    static_cast<void>(token.toLongLong(&fits));
    return !fits;
}

// Puts quotes around every integer literal outside strings that does not fit a
// signed 64-bit integer; everything else is copied unchanged. Answers hardly
// ever hold one, and are then returned as they are: this runs on every poll.
QByteArray quoteOversizedIntegers(const QByteArray& json) {
    QByteArray quoted;
    qsizetype copiedUpTo = 0;
    bool inString = false;
    bool escaped = false;
    qsizetype i = 0;
    while (i < json.size()) {
        const char c = json.at(i);
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            ++i;
        } else if (c == '-' || isDigit(c)) {
            qsizetype end = i + 1;
            while (end < json.size() && isNumberCharacter(json.at(end)))
                ++end;
            const QByteArrayView token = QByteArrayView(json).sliced(i, end - i);
            if (isOversizedInteger(token)) {
                quoted.append(QByteArrayView(json).sliced(copiedUpTo, i - copiedUpTo));
                quoted.append('"').append(token).append('"');
                copiedUpTo = end;
            }
            i = end;
        } else {
            inString = c == '"';
            ++i;
        }
    }
    if (copiedUpTo == 0)
        return json;
    return quoted.append(QByteArrayView(json).sliced(copiedUpTo));
}

std::optional<std::uint64_t> counterFromDecimalText(const QString& text) {
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    bool fits = false;
    const qulonglong value = text.toULongLong(&fits);
    if (!fits)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<QJsonDocument> parseRouterJson(const QByteArray& body) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(quoteOversizedIntegers(body), &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return document;
}

std::optional<std::uint64_t> readCounter(const QJsonValue& value) {
    if (value.isString())
        return counterFromDecimalText(value.toString());
    if (!value.isDouble())
        return std::nullopt;
    // Integers are held exactly up to 2^63 - 1; only true fractions go through double.
    constexpr qint64 notAnInteger = std::numeric_limits<qint64>::min();
    if (const qint64 integer = value.toInteger(notAnInteger); integer != notAnInteger) {
        if (integer < 0)
            return std::nullopt;
        return static_cast<std::uint64_t>(integer);
    }
    const double number = value.toDouble();
    // 2^64 itself is the first value that no longer fits.
    if (!(number >= 0.0) || number >= 18446744073709551616.0)
        return std::nullopt;
    return static_cast<std::uint64_t>(number);
}

std::uint64_t firstCounter(const QJsonObject& row, std::initializer_list<QString> keys) {
    for (const QString& key : keys)
        if (const auto counter = readCounter(row.value(key)))
            return *counter;
    return 0;
}

QString firstString(const QJsonObject& row, std::initializer_list<QString> keys) {
    for (const QString& key : keys)
        if (const QString text = row.value(key).toString(); !text.isEmpty())
            return text;
    return {};
}

std::optional<int> readRSSI(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double dBm = std::trunc(value.toDouble());
    if (dBm >= std::numeric_limits<int>::min() && dBm <= std::numeric_limits<int>::max())
        return static_cast<int>(dBm);
    return std::nullopt;
}

int firstRSSI(const QJsonObject& row, std::initializer_list<QString> keys) {
    for (const QString& key : keys)
        if (const std::optional<int> dBm = readRSSI(row.value(key)))
            return *dBm;
    return noSignalRSSI;
}

double megabitsFromKilobits(double kilobitsPerSecond) {
    return kilobitsPerSecond / 1000.0;
}

bool hasHighEfficiencyRates(const std::optional<QString>& phyMode) {
    return phyMode == QStringLiteral("ax") || phyMode == QStringLiteral("be");
}

std::optional<int> estimatedWidthMHz(double rateMbps, std::optional<int> nss,
                                     const std::optional<QString>& phyMode) {
    if (!(rateMbps > 0.0))
        return std::nullopt;
    // What one stream can carry at most on each width, narrowest first: a rate
    // proves a width only once it is beyond everything the next narrower one
    // carries. HE and EHT at their top MCS (11; 13) with the 0.8 us guard
    // interval; VHT with rounder figures that leave HT's 40 MHz rates below 100.
    struct Width {
        int mhz;
        double topPerStream;
    };
    static constexpr Width vht[] = {{20, 100.0}, {40, 200.0}, {80, 500.0}};
    static constexpr Width he[] = {{20, 143.4}, {40, 286.8}, {80, 600.5}};
    static constexpr Width eht[] = {{20, 172.1}, {40, 344.1}, {80, 720.6}, {160, 1441.2}};
    const std::span<const Width> widths = phyMode == QStringLiteral("be")   ? std::span<const Width>(eht)
                                          : phyMode == QStringLiteral("ax") ? std::span<const Width>(he)
                                                                            : std::span<const Width>(vht);
    const double perStream = rateMbps / (nss && *nss > 0 ? *nss : 1);
    for (const Width& width : widths)
        if (!(perStream > width.topPerStream))
            return width.mhz;
    return widths.back().mhz * 2;
}

RouterClient withRouterText(RouterClient row) {
    row.mac = routerText(row.mac, RouterTextKind::line);
    row.ip = routerText(row.ip, RouterTextKind::line);
    row.hostname = routerText(row.hostname, RouterTextKind::name);
    row.iface = routerText(row.iface, RouterTextKind::line);
    if (row.linkDetail && row.linkDetail->phyMode)
        row.linkDetail->phyMode = routerText(*row.linkDetail->phyMode, RouterTextKind::line);
    return row;
}

namespace {

QString valueText(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nil");
}

} // namespace

QString fieldDump(const QString& heading, const QJsonObject& row) {
    QStringList lines{routerText(heading, RouterTextKind::line)};
    // QJsonObject keeps its keys sorted.
    for (auto field = row.begin(); field != row.end(); ++field)
        lines.append(QStringLiteral("  ") + routerText(field.key(), RouterTextKind::line) +
                     QStringLiteral(" = ") + routerText(valueText(field.value()), RouterTextKind::line));
    return lines.join(QLatin1Char('\n'));
}

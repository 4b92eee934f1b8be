#include "logs/HistoryReport.h"

#include "logs/HistoryText.h"
#include "logs/SignalChart.h"
#include "logs/SignalChartSvg.h"
#include "router/RouterText.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const QSizeF chartSize(960, 300);

// The page is opened from a mail or a shared folder, so it must not reach out:
// nothing but its own inline style may load, even if a name slipped through.
const QString pageHead =
    QStringLiteral("<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
                   "<meta charset=\"utf-8\"/>\n"
                   "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src "
                   "'unsafe-inline'\"/>\n"
                   "<title>Veltrano \u2014 Signal History</title>\n"
                   "<style>\n"
                   "body { font-family: sans-serif; margin: 2em; color: #222; }\n"
                   "svg { display: block; margin: 1em 0; max-width: 100%; height: auto; }\n"
                   ".legend span { display: inline-block; width: 1em; height: 1em; margin: 0 0.3em 0 1em; "
                   "vertical-align: middle; border: 1px solid #888; }\n"
                   "table { border-collapse: collapse; }\n"
                   "th, td { border: 1px solid #bbb; padding: 0.3em 0.6em; text-align: left; }\n"
                   "</style>\n</head>\n<body>\n");

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString cssColour(const RgbColour& rgb, double alpha = 1.0) {
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(qRound(rgb.red * 255))
        .arg(qRound(rgb.green * 255))
        .arg(qRound(rgb.blue * 255))
        .arg(alpha);
}

QString swatch(const QString& background, const QString& label) {
    return QStringLiteral("<span style=\"background: %1\"></span>%2").arg(background, label);
}

// The same colours as the charts' own, which take them from the same constants.
QString legend() {
    QString out = QStringLiteral("<p class=\"legend\">");
    for (const SignalState state :
         {SignalState::excellent, SignalState::marginal, SignalState::critical, SignalState::offline})
        out += swatch(cssColour(stateColour(state)), stateName(state));
    out += swatch(cssColour(stateColour(SignalState::critical), SignalChartSvg::dropOpacity),
                  QStringLiteral("Drop"));
    out += swatch(QStringLiteral("repeating-linear-gradient(45deg, %1 0 2px, transparent 2px 6px)")
                      .arg(cssColour(stateColour(SignalState::offline))),
                  QStringLiteral("Router unreachable"));
    out += swatch(cssColour(Colour::black), QStringLiteral("RSSI (dBm, left axis)"));
    out += swatch(cssColour(Colour::veltranoBlue), QStringLiteral("Transmit rate (Mbit/s, right axis)"));
    return out + QStringLiteral("</p>\n");
}

QString row(const QStringList& cells, const QString& tag) {
    QString out = QStringLiteral("<tr>");
    for (const QString& cell : cells)
        out += u'<' + tag + u'>' + escaped(cell) + QStringLiteral("</") + tag + u'>';
    return out + QStringLiteral("</tr>\n");
}

QString incidentTable(const QList<HistoryIncident>& incidents) {
    if (incidents.isEmpty())
        return QStringLiteral("<p>No incidents in this range.</p>\n");
    QString out = QStringLiteral("<table>\n<thead>") +
                  row(HistoryText::incidentHeaders(), QStringLiteral("th")) +
                  QStringLiteral("</thead>\n<tbody>\n");
    for (const HistoryIncident& incident : incidents)
        out += row(HistoryText::incidentCells(incident), QStringLiteral("td"));
    return out + QStringLiteral("</tbody>\n</table>\n");
}

QString isoTime(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

QString slotText(TargetSlot slot) {
    return slot == TargetSlot::a ? QStringLiteral("A") : QStringLiteral("B");
}

// A spreadsheet runs a cell starting with one of these as a formula, so such a
// cell is marked as text; a negative RSSI stays a number.
QString csvCell(const QString& value) {
    static const QRegularExpression plainNumber(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    QString cell = value;
    if (!cell.isEmpty() && QStringLiteral("=+-@").contains(cell.front()) &&
        !plainNumber.match(cell).hasMatch())
        cell.prepend(u'\'');
    if (!cell.contains(u',') && !cell.contains(u'"') && !cell.contains(u'\n') && !cell.contains(u'\r'))
        return cell;
    return u'"' + cell.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QJsonValue optionalNumber(std::optional<qint64> value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonObject readingJson(const HistoryReading& reading, bool perMinute) {
    QJsonObject object{{QStringLiteral("time"), isoTime(reading.timeMs)},
                       {QStringLiteral("slot"), slotText(reading.slot)},
                       {QStringLiteral("mac"), reading.mac},
                       {QStringLiteral("name"), reading.name},
                       {QStringLiteral("rssi"), reading.rssi},
                       {QStringLiteral("rateMbps"), reading.rateMbps},
                       {QStringLiteral("state"), stateName(reading.state)},
                       {QStringLiteral("band"), reading.band},
                       {QStringLiteral("accessPoint"), reading.accessPoint},
                       {QStringLiteral("throughputMBps"), reading.throughputMBps},
                       {QStringLiteral("listed"), reading.listed}};
    if (perMinute) {
        object.insert(QStringLiteral("lowestRssi"), reading.lowestRssi);
        object.insert(QStringLiteral("highestRssi"), reading.highestRssi);
    }
    return object;
}

QJsonObject outageJson(const HistoryOutage& outage) {
    return {{QStringLiteral("start"), isoTime(outage.startMs)},
            {QStringLiteral("end"), outage.endMs ? QJsonValue(isoTime(*outage.endMs)) : QJsonValue()},
            {QStringLiteral("said"), outage.said}};
}

QJsonObject incidentJson(const HistoryIncident& incident) {
    return {{QStringLiteral("slot"), incident.slot ? QJsonValue(slotText(*incident.slot)) : QJsonValue()},
            {QStringLiteral("name"), incident.name},
            {QStringLiteral("start"), isoTime(incident.startMs)},
            {QStringLiteral("durationMs"), incident.durationMs},
            {QStringLiteral("worstState"), stateName(incident.worstState)},
            {QStringLiteral("lowestRssi"), optionalNumber(incident.lowestRssi)},
            {QStringLiteral("accessPoint"), incident.accessPoint},
            {QStringLiteral("said"), incident.said}};
}

} // namespace

HistoryReport::Heading HistoryReport::headingFor(const SettingsStore& settings,
                                                 const QDateTime& generatedAt) {
    const QString ip = settings.readString(SettingsKey::routerIP).value_or(QString());
    const QString model = settings.readString(SettingsKey::detectedModelName).value_or(QString());
    if (ip.isEmpty() || model.isEmpty())
        return {ip, generatedAt};
    return {model + QStringLiteral(" at ") + ip, generatedAt};
}

QString HistoryReport::html(const HistorySnapshot& snapshot, const QList<HistoryIncident>& incidents,
                            const Heading& heading) {
    QString page = pageHead + QStringLiteral("<h1>Signal History</h1>\n");
    if (!heading.router.isEmpty())
        page += QStringLiteral("<p>") + escaped(routerText(heading.router, RouterTextKind::line)) +
                QStringLiteral("</p>\n");
    page += QStringLiteral("<p>From %1 to %2")
                .arg(HistoryText::localTime(snapshot.fromMs), HistoryText::localTime(snapshot.toMs));
    if (snapshot.perMinute)
        page += QStringLiteral(", one reading a minute per camera");
    page += QStringLiteral("<br/>Generated %1</p>\n")
                .arg(HistoryText::localTime(heading.generatedAt.toMSecsSinceEpoch()));
    for (const TargetSlot slot : SignalChart::slotsIn(snapshot))
        page += SignalChartSvg::svg(
                    SignalChart::layout(snapshot, slot, SignalChart::chartTitle(snapshot, slot), chartSize)) +
                u'\n';
    page += legend() + QStringLiteral("<h2>Incidents</h2>\n") + incidentTable(incidents);
    return page + QStringLiteral("</body>\n</html>\n");
}

// Outages are not rows here: they belong to no camera and have an end rather
// than a reading's columns. The JSON form carries them.
QByteArray HistoryReport::csv(const HistorySnapshot& snapshot) {
    QByteArray out = "time,slot,mac,name,rssi,rate_mbps,state,band,access_point,throughput_mbps,listed\r\n";
    for (const HistoryReading& reading : snapshot.readings) {
        const QStringList cells{isoTime(reading.timeMs),
                                slotText(reading.slot),
                                reading.mac,
                                reading.name,
                                QString::number(reading.rssi),
                                QString::number(reading.rateMbps),
                                stateName(reading.state),
                                reading.band,
                                reading.accessPoint,
                                QString::number(reading.throughputMBps),
                                reading.listed ? QStringLiteral("true") : QStringLiteral("false")};
        QStringList line;
        for (const QString& cell : cells)
            line.append(csvCell(cell));
        out += line.join(u',').toUtf8() + "\r\n";
    }
    return out;
}

QByteArray HistoryReport::json(const HistorySnapshot& snapshot, const QList<HistoryIncident>& incidents) {
    QJsonArray readings, outages, incidentList;
    for (const HistoryReading& reading : snapshot.readings)
        readings.append(readingJson(reading, snapshot.perMinute));
    for (const HistoryOutage& outage : snapshot.outages)
        outages.append(outageJson(outage));
    for (const HistoryIncident& incident : incidents)
        incidentList.append(incidentJson(incident));
    const QJsonObject document{{QStringLiteral("from"), isoTime(snapshot.fromMs)},
                               {QStringLiteral("to"), isoTime(snapshot.toMs)},
                               {QStringLiteral("perMinute"), snapshot.perMinute},
                               {QStringLiteral("readings"), readings},
                               {QStringLiteral("outages"), outages},
                               {QStringLiteral("incidents"), incidentList}};
    return QJsonDocument(document).toJson(QJsonDocument::Compact);
}

std::optional<QString> HistoryReport::writeFile(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // A write cut short can still reach commit as a success: the size is checked first.
    if (file.write(data) != data.size() || !file.flush() || file.size() != data.size() || !file.commit())
        return file.errorString();
    return std::nullopt;
}

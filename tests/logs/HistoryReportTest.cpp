#include "logs/HistoryReport.h"

#include "ScopedTimeZone.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

const QString hostileName = QStringLiteral("<script>alert(1)</script>");
const QString hostileAccessPoint = QStringLiteral("\" onload=\"x");
// 2024-03-10 07:00:00 UTC, when New York springs from EST to EDT.
constexpr qint64 springForwardMs = 1'710'054'000'000;

HistoryReading reading(qint64 timeMs, TargetSlot slot, const QString& name, const QString& accessPoint) {
    HistoryReading row;
    row.timeMs = timeMs;
    row.slot = slot;
    row.mac = QStringLiteral("78:f5:05:aa:bb:cc");
    row.name = name;
    row.rssi = -67;
    row.rateMbps = 433;
    row.state = SignalState::critical;
    row.band = QStringLiteral("5 GHz");
    row.accessPoint = accessPoint;
    row.throughputMBps = 1.5;
    return row;
}

struct Page {
    int svgCount = 0;
    QList<QStringList> rows;
    QStringList paragraphs;
    QStringList problems;
};

// Everything a browser could run or fetch counts as a problem.
Page parse(const QString& html) {
    Page page;
    QXmlStreamReader xml(html);
    QString paragraph;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString();
            page.svgCount += name == QStringLiteral("svg");
            if (name == QStringLiteral("script") || name == QStringLiteral("link") ||
                name == QStringLiteral("img"))
                page.problems.append(name);
            for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                const QString key = attribute.name().toString();
                if (key.startsWith(QStringLiteral("on")) || key == QStringLiteral("src") ||
                    key == QStringLiteral("href") || attribute.value().contains(QStringLiteral("://")))
                    page.problems.append(key);
            }
            if (name == QStringLiteral("tr"))
                page.rows.append(QStringList());
            if (name == QStringLiteral("td"))
                page.rows.last().append(xml.readElementText());
            if (name == QStringLiteral("p"))
                paragraph.clear();
        } else if (xml.isCharacters()) {
            paragraph += xml.text();
        } else if (xml.isEndElement() && xml.name() == QStringLiteral("p")) {
            page.paragraphs.append(paragraph);
        }
    }
    if (xml.hasError())
        page.problems.append(xml.errorString());
    return page;
}

// The range and the incidents' starts are the reader's wall clock, either side of
// a change of its UTC offset.
TEST(HistoryReport, HtmlIsWellFormedSelfContainedAndShowsHostileTextOnlyAsText) {
    if (!ScopedTimeZone::isInstalled("America/New_York"))
        GTEST_SKIP() << "needs tzdata (scripts/setup --tests)";
    ScopedTimeZone newYork("America/New_York");
    const HistorySnapshot snapshot{
        springForwardMs - 60'000,
        springForwardMs + 60'000,
        false,
        {reading(springForwardMs - 30'000, TargetSlot::a, hostileName, hostileAccessPoint),
         reading(springForwardMs + 30'000, TargetSlot::b, QStringLiteral("Z9"), {})},
        {}};
    const QList<HistoryIncident> incidents{{TargetSlot::a, hostileName, springForwardMs - 30'000, 12'400,
                                            SignalState::critical, -84, hostileAccessPoint,
                                            QStringLiteral("Router unreachable")},
                                           {TargetSlot::b,
                                            QStringLiteral("Z9"),
                                            springForwardMs + 30'000,
                                            185'000,
                                            SignalState::offline,
                                            std::nullopt,
                                            QStringLiteral("AP1 \u2192 AP2"),
                                            {}},
                                           {std::nullopt,
                                            QStringLiteral("Router"),
                                            springForwardMs + 40'000,
                                            3'720'000,
                                            SignalState::offline,
                                            std::nullopt,
                                            {},
                                            QStringLiteral("Down")}};
    const QString html = HistoryReport::html(snapshot, incidents,
                                             {QStringLiteral("GL.iNet GL-MT6000 at 192.168.8.1"),
                                              QDateTime::fromMSecsSinceEpoch(springForwardMs + 90'000)});

    EXPECT_TRUE(html.startsWith(QStringLiteral("<!DOCTYPE html>")));
    const Page page = parse(html);
    EXPECT_EQ(page.problems, QStringList());
    EXPECT_EQ(page.svgCount, 2);
    EXPECT_TRUE(page.paragraphs.contains(QStringLiteral("GL.iNet GL-MT6000 at 192.168.8.1")));
    EXPECT_TRUE(page.paragraphs.contains(
        QStringLiteral("From 2024-03-10 01:59:00 to 2024-03-10 03:01:00Generated 2024-03-10 03:01:30")))
        << page.paragraphs.join(u'\n').toStdString();
    const QList<QStringList> expected{
        {},
        {hostileName, QStringLiteral("2024-03-10 01:59:30"), QStringLiteral("12 s"),
         QStringLiteral("-84 dBm"), hostileAccessPoint, QStringLiteral("Router unreachable")},
        {QStringLiteral("Z9"), QStringLiteral("2024-03-10 03:00:30"), QStringLiteral("3 min 05 s"),
         QStringLiteral("\u2014"), QStringLiteral("AP1 \u2192 AP2"), QString()},
        {QStringLiteral("Router"), QStringLiteral("2024-03-10 03:00:40"), QStringLiteral("1 h 02 min"),
         QStringLiteral("\u2014"), QString(), QStringLiteral("Down")}};
    EXPECT_EQ(page.rows, expected);

    const Page empty = parse(HistoryReport::html({}, {}, {{}, QDateTime::fromMSecsSinceEpoch(0)}));
    EXPECT_EQ(empty.svgCount, 0);
    EXPECT_TRUE(empty.paragraphs.contains(QStringLiteral("No incidents in this range.")));
}

TEST(HistoryReport, CsvQuotesAndKeepsSpreadsheetsFromRunningCellsAsFormulas) {
    HistoryReading row =
        reading(1'000, TargetSlot::b, QStringLiteral("=HYPERLINK(\"x\")"), QStringLiteral("-AP,1"));
    row.band = QStringLiteral("@here");
    row.listed = false;
    const QByteArray csv = HistoryReport::csv({0, 2'000, false, {row}, {}});
    EXPECT_EQ(csv, "time,slot,mac,name,rssi,rate_mbps,state,band,access_point,throughput_mbps,listed\r\n"
                   "1970-01-01T00:00:01.000Z,B,78:f5:05:aa:bb:cc,\"'=HYPERLINK(\"\"x\"\")\",-67,433,Critical,"
                   "'@here,\"'-AP,1\",1.5,false\r\n");
}

TEST(HistoryReport, JsonCarriesReadingsOutagesAndIncidentsWithNullsWhereNothingIsKnown) {
    const HistorySnapshot snapshot{0,
                                   60'000,
                                   true,
                                   {reading(1'000, TargetSlot::a, QStringLiteral("R5"), {})},
                                   {{2'000, std::nullopt, QStringLiteral("Down")}}};
    const QList<HistoryIncident> incidents{{std::nullopt,
                                            QStringLiteral("Router"),
                                            2'000,
                                            58'000,
                                            SignalState::offline,
                                            std::nullopt,
                                            {},
                                            QStringLiteral("Down")}};
    const QByteArray json = HistoryReport::json(snapshot, incidents);
    EXPECT_FALSE(json.contains('\n'));
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    EXPECT_EQ(root[QStringLiteral("from")], QStringLiteral("1970-01-01T00:00:00.000Z"));
    EXPECT_EQ(root[QStringLiteral("perMinute")], true);
    const QJsonObject row = root[QStringLiteral("readings")][0].toObject();
    EXPECT_EQ(row[QStringLiteral("slot")], QStringLiteral("A"));
    EXPECT_EQ(row[QStringLiteral("rssi")], -67);
    EXPECT_EQ(row[QStringLiteral("accessPoint")], QString());
    EXPECT_TRUE(row.contains(QStringLiteral("lowestRssi")));
    EXPECT_TRUE(root[QStringLiteral("outages")][0][QStringLiteral("end")].isNull());
    const QJsonObject incident = root[QStringLiteral("incidents")][0].toObject();
    EXPECT_TRUE(incident[QStringLiteral("slot")].isNull());
    EXPECT_TRUE(incident[QStringLiteral("lowestRssi")].isNull());
    EXPECT_EQ(incident[QStringLiteral("durationMs")], 58'000);
    EXPECT_EQ(incident[QStringLiteral("worstState")], QStringLiteral("Offline"));
}

} // namespace

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

HistoryReading reading(qint64 timeMs, TargetSlot slot, const QString& name) {
    HistoryReading row;
    row.timeMs = timeMs;
    row.slot = slot;
    row.name = name;
    return row;
}

struct Page {
    int svgCount = 0;
    QList<QStringList> rows;
    // Elements and attributes through which a browser could run or fetch something.
    QStringList hazards;
};

Page parse(const QString& html) {
    Page page;
    QXmlStreamReader xml(html);
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        const QString name = xml.name().toString();
        page.svgCount += name == QStringLiteral("svg");
        if (QStringList{QStringLiteral("script"), QStringLiteral("link"), QStringLiteral("img")}.contains(
                name))
            page.hazards.append(name);
        for (const QXmlStreamAttribute& attribute : xml.attributes())
            if (attribute.name().startsWith(QStringLiteral("on")) ||
                attribute.name() == QStringLiteral("src") || attribute.name() == QStringLiteral("href") ||
                attribute.value().contains(QStringLiteral("://")))
                page.hazards.append(attribute.name().toString());
        if (name == QStringLiteral("tr"))
            page.rows.append(QStringList());
        if (name == QStringLiteral("td"))
            page.rows.last().append(xml.readElementText());
    }
    if (xml.hasError())
        page.hazards.append(xml.errorString());
    return page;
}

// The range and the starts are the reader's wall clock, either side of a change
// of its UTC offset.
TEST(HistoryReport, HtmlIsWellFormedSelfContainedAndShowsHostileTextOnlyAsText) {
    if (!ScopedTimeZone::isInstalled("America/New_York"))
        GTEST_SKIP() << "needs tzdata (scripts/setup --tests)";
    ScopedTimeZone newYork("America/New_York");
    const HistorySnapshot snapshot{springForwardMs - 60'000,
                                   springForwardMs + 60'000,
                                   false,
                                   {reading(springForwardMs - 30'000, TargetSlot::a, hostileName),
                                    reading(springForwardMs + 30'000, TargetSlot::b, QStringLiteral("Z9"))},
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
    const QString html = HistoryReport::html(
        snapshot, incidents, {QStringLiteral("GL.iNet at 192.168.8.1"), QDateTime::fromMSecsSinceEpoch(0)});

    const Page page = parse(html);
    EXPECT_EQ(page.hazards, QStringList());
    EXPECT_EQ(page.svgCount, 2);
    EXPECT_TRUE(html.contains(QStringLiteral("<p>GL.iNet at 192.168.8.1</p>")));
    EXPECT_TRUE(html.contains(QStringLiteral("From 2024-03-10 01:59:00 to 2024-03-10 03:01:00")));
    const QList<QStringList> expected{
        {},
        {hostileName, QStringLiteral("2024-03-10 01:59:30"), QStringLiteral("12 s"),
         QStringLiteral("-84 dBm"), hostileAccessPoint, QStringLiteral("Router unreachable")},
        {QStringLiteral("Z9"), QStringLiteral("2024-03-10 03:00:30"), QStringLiteral("3 min 05 s"),
         QStringLiteral("\u2014"), QStringLiteral("AP1 \u2192 AP2"), QString()},
        {QStringLiteral("Router"), QStringLiteral("2024-03-10 03:00:40"), QStringLiteral("1 h 02 min"),
         QStringLiteral("\u2014"), QString(), QStringLiteral("Down")}};
    EXPECT_EQ(page.rows, expected);
    EXPECT_TRUE(
        HistoryReport::html({}, {}, {}).contains(QStringLiteral("<p>No incidents in this range.</p>")));
}

TEST(HistoryReport, CsvQuotesAndKeepsSpreadsheetsFromRunningCellsAsFormulas) {
    HistoryReading row = reading(1'000, TargetSlot::b, QStringLiteral("=HYPERLINK(\"x\")"));
    row.rssi = -67;
    row.band = QStringLiteral("@here");
    row.accessPoint = QStringLiteral("-AP,1");
    EXPECT_EQ(HistoryReport::csv({0, 2'000, false, {row}, {}}),
              "time,slot,mac,name,rssi,rate_mbps,state,band,access_point,throughput_mbps,listed\r\n"
              "1970-01-01T00:00:01.000Z,B,,\"'=HYPERLINK(\"\"x\"\")\",-67,0,Excellent,'@here,\"'-AP,1\",0,"
              "true\r\n");
}

TEST(HistoryReport, JsonCarriesEverythingWithNullsWhereNothingIsKnown) {
    const HistorySnapshot snapshot{0,
                                   60'000,
                                   true,
                                   {reading(1'000, TargetSlot::a, QStringLiteral("R5"))},
                                   {{2'000, std::nullopt, QStringLiteral("Down")}}};
    const QByteArray json = HistoryReport::json(snapshot, {{std::nullopt,
                                                            QStringLiteral("Router"),
                                                            2'000,
                                                            58'000,
                                                            SignalState::offline,
                                                            std::nullopt,
                                                            {},
                                                            {}}});
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    EXPECT_FALSE(json.contains('\n'));
    EXPECT_EQ(root[QStringLiteral("from")], QStringLiteral("1970-01-01T00:00:00.000Z"));
    EXPECT_EQ(root[QStringLiteral("readings")][0][QStringLiteral("name")], QStringLiteral("R5"));
    EXPECT_TRUE(root[QStringLiteral("readings")][0][QStringLiteral("lowestRssi")].isDouble());
    EXPECT_TRUE(root[QStringLiteral("outages")][0][QStringLiteral("end")].isNull());
    const QJsonValue incident = root[QStringLiteral("incidents")][0];
    EXPECT_TRUE(incident[QStringLiteral("slot")].isNull() && incident[QStringLiteral("lowestRssi")].isNull());
    EXPECT_EQ(incident[QStringLiteral("durationMs")], 58'000);
}

} // namespace

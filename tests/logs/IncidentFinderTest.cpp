#include "logs/IncidentFinder.h"

#include <gtest/gtest.h>

namespace {

using S = SignalState;
constexpr TargetSlot a = TargetSlot::a, b = TargetSlot::b;

HistoryReading at(int second, TargetSlot slot, S state, int rssi = -60, const QString& accessPoint = {}) {
    HistoryReading reading;
    reading.timeMs = second * 1000LL;
    reading.slot = slot;
    reading.name = slot == a ? QStringLiteral("R5") : QStringLiteral("Z9");
    reading.rssi = rssi;
    reading.state = state;
    reading.accessPoint = accessPoint;
    return reading;
}

HistorySnapshot snapshot(QList<HistoryReading> readings, QList<HistoryOutage> outages = {}) {
    return {0, 600'000, false, std::move(readings), std::move(outages)};
}

TEST(IncidentFinder, AShortDipLastsUntilTheFirstGoodReading) {
    const QList<HistoryIncident> found = IncidentFinder::find(snapshot(
        {at(1, a, S::excellent), at(2, a, S::critical, -84), at(3, a, S::marginal), at(4, a, S::excellent)}));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0], (HistoryIncident{a, QStringLiteral("R5"), 2000, 1000, S::critical, -84, {}, {}}));
}

TEST(IncidentFinder,
     ALongDropTakesItsWorstStateAndLowestRadioFigureAndStopsAtItsLastReadingWhenStillRunning) {
    HistoryReading unlisted = at(12, a, S::offline, 0);
    unlisted.listed = false;
    const QList<HistoryIncident> found = IncidentFinder::find(snapshot(
        {at(10, a, S::critical, -82), at(11, a, S::critical, -88), unlisted, at(40, a, S::critical, -85)}));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].durationMs, 30'000);
    EXPECT_EQ(found[0].worstState, S::offline);
    EXPECT_EQ(found[0].lowestRssi, -88);
    EXPECT_EQ(found[0].said, QStringLiteral("No row from the router (not listed, or no answer)"));
}

TEST(IncidentFinder, AnOutageInsideADropJoinsItAndExtendsItAcrossARecoveryDuringTheOutage) {
    const QList<HistoryIncident> found = IncidentFinder::find(snapshot(
        {at(10, a, S::critical), at(20, a, S::excellent), at(30, a, S::offline, 0), at(50, a, S::excellent)},
        {{15'000, 45'000, QStringLiteral("Router unreachable")}}));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].startMs, 10'000);
    EXPECT_EQ(found[0].durationMs, 40'000);
    EXPECT_EQ(found[0].said, QStringLiteral("Router unreachable"));
    EXPECT_EQ(found[0].worstState, S::offline);
}

TEST(IncidentFinder, AnOutageNoDropCoversIsTheRoutersOwnAndAnOpenOneLastsToTheRangesEnd) {
    const QList<HistoryIncident> found =
        IncidentFinder::find(snapshot({at(10, a, S::excellent), at(200, a, S::excellent)},
                                      {{20'000, 30'000, QStringLiteral("Router unreachable")},
                                       {500'000, std::nullopt, QStringLiteral("Down")}}));
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0], (HistoryIncident{std::nullopt,
                                         QStringLiteral("Router"),
                                         20'000,
                                         10'000,
                                         S::offline,
                                         std::nullopt,
                                         {},
                                         QStringLiteral("Router unreachable")}));
    EXPECT_EQ(found[1].durationMs, 100'000);
}

TEST(IncidentFinder, ARoamInsideADropListsEachAccessPointOnceInOrder) {
    const QList<HistoryIncident> found = IncidentFinder::find(snapshot(
        {at(1, a, S::critical, -80, QStringLiteral("AP1")), at(2, a, S::critical, -81, QStringLiteral("AP2")),
         at(3, a, S::critical, -79, QStringLiteral("AP1")),
         at(4, a, S::excellent, -50, QStringLiteral("AP3"))}));
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].accessPoint, QStringLiteral("AP1 \u2192 AP2"));
}

TEST(IncidentFinder, TwoSlotsInterleavedKeepTheirOwnDropsOrderedByStartWithATieGoingToA) {
    const QList<HistoryIncident> found = IncidentFinder::find(
        snapshot({at(1, b, S::critical), at(1, a, S::excellent), at(2, a, S::critical), at(2, b, S::critical),
                  at(3, a, S::excellent), at(4, b, S::excellent), at(5, b, S::critical),
                  at(5, a, S::critical), at(6, a, S::excellent), at(6, b, S::excellent)}));
    QList<std::tuple<std::optional<TargetSlot>, qint64, qint64>> drops;
    for (const HistoryIncident& incident : found)
        drops.append({incident.slot, incident.startMs, incident.durationMs});
    EXPECT_EQ(drops, (decltype(drops){{b, 1000, 3000}, {a, 2000, 1000}, {a, 5000, 1000}, {b, 5000, 1000}}));
}

} // namespace

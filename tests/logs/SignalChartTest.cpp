#include "logs/SignalChart.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const qint64 start = QDateTime(QDate(2026, 11, 1), QTime(9, 0), Qt::UTC).toMSecsSinceEpoch();

HistoryReading reading(qint64 second, int rssi, SignalState state = SignalState::excellent) {
    HistoryReading reading;
    reading.timeMs = start + second * 1000;
    reading.rssi = rssi;
    reading.rateMbps = 400;
    reading.state = state;
    reading.accessPoint = u"Studio AP"_s;
    return reading;
}

// Eight hours on a chart 900 px wide is 32 readings a pixel: the line keeps
// far fewer points, but never loses a one-second dip, and a pause in the
// readings is a break, not a slope.
TEST(SignalChartTest, ALongRangeKeepsEveryDipAndBreaksAtPauses) {
    HistorySnapshot snapshot{start, start + 8 * 3600 * 1000, false, {}, {}};
    for (qint64 second = 0; second < 8 * 3600; ++second) {
        if (second >= 7200 && second < 7800)
            continue;
        snapshot.readings.append(second == 3 * 3600 ? reading(second, -90, SignalState::critical)
                                                    : reading(second, -50));
    }
    const SignalChartGeometry chart =
        SignalChart::layout(snapshot, TargetSlot::a, u"Camera A"_s, QSizeF(952, 300));

    ASSERT_EQ(chart.rssiLines.size(), 2);
    qsizetype points = 0;
    qreal lowest = 0;
    for (const QList<QPointF>& line : chart.rssiLines) {
        points += line.size();
        for (const QPointF point : line)
            lowest = std::max(lowest, point.y());
    }
    EXPECT_LT(points, 4 * 900);
    EXPECT_EQ(lowest, chart.plot.top() + chart.plot.height() * 70 / 80);
    ASSERT_EQ(chart.drops.size(), 1);
    EXPECT_GT(chart.drops.front().width(), 0);
    EXPECT_EQ(SignalChart::readingAt(snapshot, chart, chart.drops.front().left())->rssi, -90);
    const qreal insidePause = chart.plot.left() + chart.plot.width() * 7500 / (8 * 3600);
    EXPECT_EQ(SignalChart::readingAt(snapshot, chart, insidePause), std::nullopt);
}

} // namespace

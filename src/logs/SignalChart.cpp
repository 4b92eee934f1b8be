#include "logs/SignalChart.h"

#include <QDateTime>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr qreal marginLeft = 52;
constexpr qreal marginRight = 56;
constexpr qreal marginTop = 30;
// Room for the state strip and the time labels under the plot.
constexpr qreal marginBottom = 40;
// The room a mark's label takes; a mark closer than this to the last labelled
// one keeps its line but not its words, which would print over each other.
constexpr qreal markLabelRoom = 72;
constexpr int rssiTop = -20;
constexpr int rssiBottom = -100;
constexpr qint64 secondMs = 1000;
constexpr qint64 minuteMs = 60 * secondMs;
constexpr qint64 hourMs = 60 * minuteMs;
constexpr qint64 dayMs = 24 * hourMs;

bool isDrop(SignalState state) {
    return state == SignalState::critical || state == SignalState::offline;
}

// Readings further apart than this were not one run of polls: the program was
// stopped, the target was not followed, or the minute rows have a hole.
qint64 gapMs(const HistorySnapshot& snapshot) {
    return snapshot.perMinute ? 3 * minuteMs : 10 * secondMs;
}

QList<HistoryReading> readingsOf(const HistorySnapshot& snapshot, TargetSlot slot) {
    QList<HistoryReading> readings;
    for (const HistoryReading& reading : snapshot.readings) {
        if (reading.slot == slot)
            readings.append(reading);
    }
    return readings;
}

// The rate axis ends at the next round figure above the fastest reading.
int rateCeiling(const QList<HistoryReading>& readings) {
    int fastest = 0;
    for (const HistoryReading& reading : readings)
        fastest = std::max(fastest, reading.rateMbps);
    for (const int ceiling : {100, 200, 400, 600, 800, 1200, 1600, 2400, 3600, 4800})
        if (fastest <= ceiling)
            return ceiling;
    return (fastest + 999) / 1000 * 1000;
}

class Axes {
public:
    Axes(const HistorySnapshot& snapshot, QRectF plot, int rateTop)
        : from(snapshot.fromMs)
        , span(std::max<qint64>(snapshot.toMs - snapshot.fromMs, 1))
        , plot(plot)
        , rateTop(rateTop) {}

    qreal x(qint64 timeMs) const {
        return plot.left() + plot.width() * static_cast<qreal>(timeMs - from) / static_cast<qreal>(span);
    }
    qreal rssiY(int rssi) const {
        const int clamped = std::clamp(rssi, rssiBottom, rssiTop);
        return plot.top() + plot.height() * (rssiTop - clamped) / static_cast<qreal>(rssiTop - rssiBottom);
    }
    qreal rateY(int rate) const {
        const int clamped = std::clamp(rate, 0, rateTop);
        return plot.bottom() - plot.height() * clamped / static_cast<qreal>(rateTop);
    }
    qint64 time(qreal x) const {
        return from +
               static_cast<qint64>(std::llround((x - plot.left()) / plot.width() * static_cast<qreal>(span)));
    }

private:
    qint64 from;
    qint64 span;
    QRectF plot;
    int rateTop;
};

// A line with at most the first, lowest, highest and last point of each pixel
// column: eight hours of readings on a 900 px chart would otherwise be 64
// points a pixel, and the drawing would cost more than the window may.
class ColumnLine {
public:
    void add(QPointF point) {
        const int column = static_cast<int>(std::floor(point.x()));
        if (column != currentColumn)
            closeColumn();
        currentColumn = column;
        columnPoints.append(point);
    }
    void breakLine() {
        closeColumn();
        if (!line.isEmpty())
            lines.append(std::exchange(line, {}));
    }
    QList<QList<QPointF>> finish() {
        breakLine();
        return std::move(lines);
    }

private:
    void closeColumn() {
        if (columnPoints.isEmpty())
            return;
        if (columnPoints.size() <= 4) {
            line.append(columnPoints);
        } else {
            // y grows downwards: the lowest value is the largest y.
            const auto [high, low] = std::minmax_element(columnPoints.cbegin(), columnPoints.cend(),
                                                         [](QPointF a, QPointF b) { return a.y() < b.y(); });
            const auto first = high < low ? high : low;
            const auto second = high < low ? low : high;
            line << columnPoints.front() << *first << *second << columnPoints.back();
        }
        columnPoints.clear();
    }

    int currentColumn = 0;
    QList<QPointF> columnPoints;
    QList<QPointF> line;
    QList<QList<QPointF>> lines;
};

// The step between time labels: the smallest that keeps them at least 90 px apart.
qint64 timeStep(qint64 span, qreal width) {
    constexpr std::array<qint64, 14> steps{
        minuteMs,   5 * minuteMs, 10 * minuteMs, 15 * minuteMs, 30 * minuteMs, hourMs,    2 * hourMs,
        3 * hourMs, 6 * hourMs,   12 * hourMs,   dayMs,         2 * dayMs,     7 * dayMs, 30 * dayMs};
    const qint64 wanted = static_cast<qint64>(static_cast<qreal>(span) * 90.0 / std::max<qreal>(width, 1));
    for (const qint64 step : steps)
        if (step >= wanted)
            return step;
    return steps.back();
}

QList<SignalChartGeometry::Tick> timeTicks(const HistorySnapshot& snapshot, const Axes& axes, qreal width) {
    const qint64 step = timeStep(snapshot.toMs - snapshot.fromMs, width);
    // Ticks fall on round local times (every full hour, every midnight), not on
    // round multiples since 1970 in UTC.
    const qint64 offset =
        static_cast<qint64>(QDateTime::fromMSecsSinceEpoch(snapshot.fromMs).offsetFromUtc()) * secondMs;
    const QString format = step >= dayMs ? QStringLiteral("d MMM") : QStringLiteral("HH:mm");
    QList<SignalChartGeometry::Tick> ticks;
    qint64 local = (snapshot.fromMs + offset + step - 1) / step * step;
    for (; local - offset <= snapshot.toMs; local += step) {
        const qint64 at = local - offset;
        ticks.append({axes.x(at), QDateTime::fromMSecsSinceEpoch(at).toString(format)});
    }
    return ticks;
}

} // namespace

namespace SignalChart {

SignalChartGeometry layout(const HistorySnapshot& snapshot, TargetSlot slot, const QString& title,
                           QSizeF size) {
    SignalChartGeometry chart;
    chart.slot = slot;
    chart.title = title;
    chart.size = size;
    chart.plot = QRectF(marginLeft, marginTop, std::max<qreal>(size.width() - marginLeft - marginRight, 1),
                        std::max<qreal>(size.height() - marginTop - marginBottom, 1));

    const QList<HistoryReading> readings = readingsOf(snapshot, slot);
    const int rateTop = rateCeiling(readings);
    const Axes axes(snapshot, chart.plot, rateTop);
    const qint64 gap = gapMs(snapshot);
    const qreal stripTop = chart.plot.bottom() + 2;

    ColumnLine rssiLine;
    ColumnLine rateLine;
    bool followsPrevious = false;
    for (qsizetype i = 0; i < readings.size(); ++i) {
        const HistoryReading& reading = readings[i];
        const HistoryReading* next = i + 1 < readings.size() ? &readings[i + 1] : nullptr;
        const bool gapFollows = !next || next->timeMs - reading.timeMs > gap;
        // A reading stands until the next one, or for one poll before a gap.
        const qint64 endMs =
            gapFollows ? reading.timeMs + (snapshot.perMinute ? minuteMs : secondMs) : next->timeMs;
        const qreal left = axes.x(reading.timeMs);
        const qreal right = axes.x(std::min(endMs, snapshot.toMs));

        if (reading.rssi != 0) {
            rssiLine.add({left, axes.rssiY(reading.rssi)});
            rateLine.add({left, axes.rateY(reading.rateMbps)});
        } else {
            rssiLine.breakLine();
            rateLine.breakLine();
        }
        if (gapFollows) {
            rssiLine.breakLine();
            rateLine.breakLine();
        }

        const QRectF strip(left, stripTop, right - left, 8);
        if (followsPrevious && chart.stateSpans.back().state == reading.state)
            chart.stateSpans.back().rect.setRight(right);
        else
            chart.stateSpans.append({strip, reading.state});

        if (isDrop(reading.state)) {
            if (followsPrevious && isDrop(readings[i - 1].state))
                chart.drops.back().setRight(right);
            else
                chart.drops.append(QRectF(left, chart.plot.top(), right - left, chart.plot.height()));
        }

        if (followsPrevious) {
            const HistoryReading& previous = readings[i - 1];
            if (!previous.accessPoint.isEmpty() && !reading.accessPoint.isEmpty() &&
                previous.accessPoint != reading.accessPoint)
                chart.marks.append({left, QStringLiteral("→ ") + reading.accessPoint});
            else if (!previous.band.isEmpty() && !reading.band.isEmpty() && previous.band != reading.band)
                chart.marks.append({left, QStringLiteral("→ ") + reading.band});
        }
        followsPrevious = !gapFollows;
    }
    qreal lastLabelled = -markLabelRoom;
    for (SignalChartGeometry::Mark& mark : chart.marks) {
        if (mark.x - lastLabelled < markLabelRoom)
            mark.label.clear();
        else
            lastLabelled = mark.x;
    }
    chart.rssiLines = rssiLine.finish();
    chart.rateLines = rateLine.finish();

    for (const HistoryOutage& outage : snapshot.outages) {
        const qreal left = axes.x(std::max(outage.startMs, snapshot.fromMs));
        const qreal right = axes.x(std::min(outage.endMs.value_or(snapshot.toMs), snapshot.toMs));
        if (right > left)
            chart.outages.append(QRectF(left, chart.plot.top(), right - left, chart.plot.height()));
    }

    chart.timeTicks = timeTicks(snapshot, axes, chart.plot.width());
    for (int rssi = -90; rssi <= -30; rssi += 10)
        chart.rssiTicks.append({axes.rssiY(rssi), QString::number(rssi)});
    for (int quarter = 0; quarter <= 4; ++quarter)
        chart.rateTicks.append({axes.rateY(rateTop * quarter / 4), QString::number(rateTop * quarter / 4)});
    return chart;
}

std::optional<HistoryReading> readingAt(const HistorySnapshot& snapshot, const SignalChartGeometry& chart,
                                        qreal x) {
    if (x < chart.plot.left() || x > chart.plot.right())
        return std::nullopt;
    const Axes axes(snapshot, chart.plot, 1);
    const qint64 at = axes.time(x);
    std::optional<HistoryReading> nearest;
    for (const HistoryReading& reading : snapshot.readings) {
        if (reading.slot != chart.slot)
            continue;
        if (!nearest || std::llabs(reading.timeMs - at) < std::llabs(nearest->timeMs - at))
            nearest = reading;
        else if (reading.timeMs > at)
            break;
    }
    if (!nearest || std::llabs(nearest->timeMs - at) > gapMs(snapshot))
        return std::nullopt;
    return nearest;
}

QList<TargetSlot> slotsIn(const HistorySnapshot& snapshot) {
    QList<TargetSlot> slots;
    for (const TargetSlot slot : {TargetSlot::a, TargetSlot::b}) {
        const bool present =
            std::any_of(snapshot.readings.cbegin(), snapshot.readings.cend(),
                        [slot](const HistoryReading& reading) { return reading.slot == slot; });
        if (present)
            slots.append(slot);
    }
    return slots;
}

QString chartTitle(const HistorySnapshot& snapshot, TargetSlot slot) {
    QString name;
    for (const HistoryReading& reading : snapshot.readings) {
        if (reading.slot == slot && !reading.name.isEmpty())
            name = reading.name;
    }
    const QString camera = slot == TargetSlot::a ? QStringLiteral("Camera A") : QStringLiteral("Camera B");
    return name.isEmpty() ? camera : camera + QStringLiteral(" — ") + name;
}

} // namespace SignalChart

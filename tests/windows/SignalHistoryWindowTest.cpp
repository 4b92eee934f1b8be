#include "windows/SignalHistoryWindow.h"

#include "TestEnvironment.h"
#include "logs/HistorySource.h"
#include "logs/IncidentFinder.h"
#include "windows/SignalChartView.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// Keeps every load until the test answers it, oldest first.
class FakeHistorySource : public HistorySource {
public:
    struct Load {
        qint64 fromMs;
        qint64 toMs;
        QPointer<QObject> receiver;
        std::function<void(HistorySnapshot)> done;
    };

    void load(qint64 fromMs, qint64 toMs, QObject* receiver,
              std::function<void(HistorySnapshot)> done) override {
        loads.append({fromMs, toMs, receiver, std::move(done)});
    }
    std::optional<qint64> connectedSinceMs() const override { return std::nullopt; }

    void answer(const HistorySnapshot& snapshot) {
        const Load load = loads.takeFirst();
        if (load.receiver)
            load.done(snapshot);
    }

    QList<Load> loads;
};

constexpr qint64 startMs = 1714557600000; // 2024-05-01 10:00:00 UTC

HistoryReading reading(TargetSlot slot, int second, int rssi, SignalState state = SignalState::excellent) {
    return {.timeMs = startMs + second * 1000,
            .slot = slot,
            .mac = slot == TargetSlot::a ? QStringLiteral("78:f5:05:aa:bb:01")
                                         : QStringLiteral("78:f5:05:aa:bb:02"),
            .name = slot == TargetSlot::a ? QStringLiteral("R5") : QStringLiteral("Z9"),
            .rssi = rssi,
            .rateMbps = 433,
            .state = state,
            .band = QStringLiteral("5 GHz"),
            .accessPoint = QStringLiteral("Studio East")};
}

// Camera A drops to critical and comes back a minute later; camera B reads on.
HistorySnapshot twoCameras() {
    HistorySnapshot snapshot{startMs, startMs + 15 * 60 * 1000, false, {}, {}};
    const int a[] = {-60, -64, -80, -81, -72};
    for (int second = 0; second < 5; ++second)
        snapshot.readings.append(reading(TargetSlot::a, second, a[second],
                                         a[second] <= -80 ? SignalState::critical : SignalState::excellent));
    for (int second = 65; second < 68; ++second)
        snapshot.readings.append(reading(TargetSlot::a, second, -58 - second % 2));
    for (int second = 0; second < 3; ++second)
        snapshot.readings.append(reading(TargetSlot::b, second, -50 - second));
    std::sort(
        snapshot.readings.begin(), snapshot.readings.end(),
        [](const HistoryReading& left, const HistoryReading& right) { return left.timeMs < right.timeMs; });
    return snapshot;
}

class SignalHistoryWindowTest : public ::testing::Test {
protected:
    QList<SignalChartView*> views() { return window.findChildren<SignalChartView*>(); }
    bool showsEmptyText() { return window.findChild<QLabel*>(QStringLiteral("emptyText"))->isVisible(); }
    QComboBox* range() { return window.findChild<QComboBox*>(QStringLiteral("range")); }
    QTimer* followTimer() { return window.findChild<QTimer*>(QStringLiteral("followTimer")); }

    TestEnvironment env;
    FakeHistorySource source;
    HistoryReport::Heading heading{QStringLiteral("GL.iNet GL-MT6000 at 192.168.8.1"),
                                   QDateTime::fromMSecsSinceEpoch(startMs, Qt::UTC)};
    SignalHistoryWindow window{source, [this] { return heading; }};
};

// One chart per camera, its line through the camera's rows in their order and
// broken where the readings stopped; the drop's lowest reading in the table.
TEST_F(SignalHistoryWindowTest, ChartsDrawEachCamerasRowsAndTheTableItsDrops) {
    window.present();
    source.answer({});
    EXPECT_TRUE(showsEmptyText());
    EXPECT_TRUE(views().isEmpty());

    range()->setCurrentIndex(1);
    source.answer(twoCameras());
    EXPECT_FALSE(showsEmptyText());
    ASSERT_EQ(views().size(), 2);
    const QList<QList<QPointF>> lineA =
        window.findChild<SignalChartView*>(QStringLiteral("chartA"))->chartGeometry().rssiLines;
    const QList<QList<QPointF>> lineB =
        window.findChild<SignalChartView*>(QStringLiteral("chartB"))->chartGeometry().rssiLines;
    ASSERT_EQ(lineA.size(), 2);
    ASSERT_EQ(lineA.at(0).size(), 5);
    EXPECT_EQ(lineA.at(1).size(), 3);
    ASSERT_EQ(lineB.size(), 1);
    EXPECT_EQ(lineB.at(0).size(), 3);
    // Stronger is higher: -60, -64, -80, -81, -72 goes down three times, then up.
    const QList<QPointF>& drop = lineA.at(0);
    for (int point = 1; point < drop.size(); ++point) {
        EXPECT_GT(drop.at(point).x(), drop.at(point - 1).x());
        EXPECT_EQ(drop.at(point).y() > drop.at(point - 1).y(), point < 4) << point;
    }
    EXPECT_LT(lineA.at(0).last().x(), lineA.at(1).first().x());

    const auto* table = window.findChild<QTableWidget*>(QStringLiteral("incidents"));
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("-81 dBm"));
}

// A hidden window reads nothing; a custom range does not move, so it is not followed.
TEST_F(SignalHistoryWindowTest, FollowsOnlyAMovingRangeWhileShown) {
    window.present();
    EXPECT_TRUE(followTimer()->isActive());
    window.hide();
    EXPECT_FALSE(followTimer()->isActive());
    window.present();
    EXPECT_TRUE(followTimer()->isActive());
    range()->setCurrentIndex(range()->count() - 1);
    EXPECT_FALSE(followTimer()->isActive());
}

// One read at a time; the answer for a range left meanwhile is not shown, and
// the new range is read as soon as it is in.
TEST_F(SignalHistoryWindowTest, AnswerForALeftRangeIsDropped) {
    window.present();
    range()->setCurrentIndex(1);
    ASSERT_EQ(source.loads.size(), 1);
    EXPECT_EQ(source.loads.first().toMs - source.loads.first().fromMs, 15 * 60 * 1000);
    source.answer(twoCameras());
    EXPECT_TRUE(views().isEmpty());
    ASSERT_EQ(source.loads.size(), 1);
    EXPECT_EQ(source.loads.first().toMs - source.loads.first().fromMs, 60 * 60 * 1000);
    source.answer(twoCameras());
    EXPECT_EQ(views().size(), 2);
}

// Each form holds what the report writes, is the user's alone, and a folder
// that is not there is told, not ignored.
TEST_F(SignalHistoryWindowTest, SavesTheShownRowsForTheUserAlone) {
    window.present();
    const HistorySnapshot snapshot = twoCameras();
    source.answer(snapshot);
    const QString html = env.path(QStringLiteral("report.html"));
    const QString csv = env.path(QStringLiteral("rows.csv"));
    const QString png = env.path(QStringLiteral("charts.png"));
    const QFileDevice::Permissions othersMay =
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    for (const QString& path : {html, csv, png}) {
        ASSERT_EQ(window.saveTo(path), std::nullopt) << path.toStdString();
        EXPECT_FALSE(QFile::permissions(path) & othersMay) << path.toStdString();
    }
    QFile written(html);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(),
              HistoryReport::html(snapshot, IncidentFinder::find(snapshot), heading).toUtf8());
    QFile rows(csv);
    ASSERT_TRUE(rows.open(QIODevice::ReadOnly));
    EXPECT_EQ(rows.readAll(), HistoryReport::csv(snapshot));
    EXPECT_EQ(QImage(png).size(), QSize(1200, 2 * 320));

    EXPECT_NE(window.saveTo(env.path(QStringLiteral("missing/report.html"))), std::nullopt);
}

} // namespace

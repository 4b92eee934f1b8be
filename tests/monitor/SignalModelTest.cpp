#include "monitor/SignalModel.h"

#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(NormalizeRSSITest, KeepsUsableReadingsAndCollapsesTheRest) {
    EXPECT_EQ(normalizeRSSI(-20), -20);
    EXPECT_EQ(normalizeRSSI(-98), -98);
    EXPECT_EQ(normalizeRSSI(-99), noSignalRSSI);
    EXPECT_EQ(normalizeRSSI(-127), noSignalRSSI);
}

struct ReadingRow {
    std::string name;
    int rssi;
    int rate;
    SignalState state;
    int percent;

    friend void PrintTo(const ReadingRow& row, std::ostream* os) { *os << row.name; }
};

class ReadingTest : public testing::TestWithParam<ReadingRow> {};

TEST_P(ReadingTest, ClassifiesAndScoresConsistently) {
    const ReadingRow& row = GetParam();
    const SignalClassification classification = classifySignal(row.rssi, row.rate);
    EXPECT_EQ(classification.state, row.state);
    EXPECT_EQ(classification.colour, stateColour(row.state));
    EXPECT_EQ(classification.flashColour, stateFlashColour(row.state));
    EXPECT_EQ(signalPercent(row.rssi, row.rate), row.percent);
}

// Both rate groups either side of each threshold and at each percentage band edge.
INSTANTIATE_TEST_SUITE_P(
    Boundaries, ReadingTest,
    testing::Values(ReadingRow{"slowAtMinus40", -40, 100, SignalState::excellent, 99},
                    ReadingRow{"slowAtMinus41", -41, 100, SignalState::excellent, 98},
                    ReadingRow{"slowExcellentFloor", -60, 149, SignalState::excellent, 80},
                    ReadingRow{"slowBelowExcellentFloor", -61, 149, SignalState::marginal, 78},
                    ReadingRow{"slowCriticalCeiling", -70, 149, SignalState::marginal, 60},
                    ReadingRow{"slowBelowCriticalCeiling", -71, 149, SignalState::critical, 54},
                    ReadingRow{"slowMinus79", -79, 0, SignalState::critical, 6},
                    ReadingRow{"slowMinus80", -80, 0, SignalState::critical, 0},
                    ReadingRow{"fastRoundsDownAtMinus44", -44, 150, SignalState::excellent, 95},
                    ReadingRow{"fastExcellentFloor", -65, 150, SignalState::excellent, 80},
                    ReadingRow{"fastBelowExcellentFloor", -66, 150, SignalState::marginal, 78},
                    ReadingRow{"fastCriticalCeiling", -75, 150, SignalState::marginal, 60},
                    ReadingRow{"fastBelowCriticalCeiling", -76, 300, SignalState::critical, 48},
                    ReadingRow{"fastMinus80", -80, 300, SignalState::critical, 0},
                    ReadingRow{"fastMinus81", -81, 300, SignalState::critical, 0}),
    [](const auto& info) { return info.param.name; });

// Routers report whatever their firmware computes; the conversion must stay defined.
TEST(TruncatedRateTest, TruncatesPlausibleRatesAndTamesTheRest) {
    EXPECT_EQ(truncatedRateMbps(433.3), 433);
    EXPECT_EQ(truncatedRateMbps(0.9), 0);
    EXPECT_EQ(truncatedRateMbps(-54.0), 0);
    EXPECT_EQ(truncatedRateMbps(std::nan("")), 0);
    EXPECT_EQ(truncatedRateMbps(1e300), 100000);
    EXPECT_EQ(truncatedRateMbps(std::numeric_limits<double>::infinity()), 100000);
}

TEST(BandLabelTest, NamesTheBandOfARowOrOfTheOwnLink) {
    EXPECT_EQ(bandLabel(QStringLiteral("2.4G")), QStringLiteral("2G"));
    EXPECT_EQ(bandLabel(QStringLiteral("ra0 (2.4 GHz)")), QStringLiteral("2G"));
    EXPECT_EQ(bandLabel(QStringLiteral("5G")), QStringLiteral("5G"));
    EXPECT_EQ(bandLabel(QStringLiteral("6G")), QStringLiteral("6G"));
    // A router row without a band is not the computer's own link.
    EXPECT_EQ(bandLabel(QString()), QStringLiteral("--"));
    EXPECT_EQ(bandLabel(QStringLiteral("wlan")), QStringLiteral("--"));
    EXPECT_EQ(bandLabel(QStringLiteral("5 GHz")), QStringLiteral("--"));

    EXPECT_EQ(localBandLabel(1), QStringLiteral("2G"));
    EXPECT_EQ(localBandLabel(3), QStringLiteral("6G"));
    EXPECT_EQ(localBandLabel(4), QStringLiteral("--"));
    EXPECT_EQ(localBandLabel(std::nullopt), QStringLiteral("--"));
}

TEST(StatusTitleTextTest, FollowsTheIconStyle) {
    TestEnvironment environment;
    SettingsStore store(environment.path(QStringLiteral("settings.json")));
    const QString band = QStringLiteral("5G");
    EXPECT_EQ(statusTitleText(-64, band, store), QStringLiteral(" -64*5G"));
    for (const auto& [style, title] :
         {std::pair{"dot", QStringLiteral("\u25CF")}, std::pair{"dbm", QStringLiteral(" -64")},
          std::pair{"band", QStringLiteral("5G")}, std::pair{"combo", QStringLiteral(" -64*5G")},
          std::pair{"Dot", QStringLiteral(" -64*5G")}}) {
        store.writeString(SettingsKey::iconStyle, QString::fromLatin1(style));
        EXPECT_EQ(statusTitleText(-64, band, store), title) << style;
    }
}

} // namespace

#include "monitor/SignalModel.h"

#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

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

// Both rate groups either side of each threshold and at each percentage band edge.
TEST(ReadingTest, ClassifiesAndScoresConsistently) {
    struct Row {
        int rssi, rate;
        SignalState state;
        int percent;
    };
    for (const Row& row : std::initializer_list<Row>{{-40, 100, SignalState::excellent, 99},
                                                     {-41, 100, SignalState::excellent, 98},
                                                     {-60, 149, SignalState::excellent, 80},
                                                     {-61, 149, SignalState::marginal, 78},
                                                     {-70, 149, SignalState::marginal, 60},
                                                     {-71, 149, SignalState::critical, 54},
                                                     {-79, 0, SignalState::critical, 6},
                                                     {-80, 0, SignalState::critical, 0},
                                                     {-44, 150, SignalState::excellent, 95},
                                                     {-65, 150, SignalState::excellent, 80},
                                                     {-66, 150, SignalState::marginal, 78},
                                                     {-75, 150, SignalState::marginal, 60},
                                                     {-76, 300, SignalState::critical, 48},
                                                     {-80, 300, SignalState::critical, 0},
                                                     {-81, 300, SignalState::critical, 0}}) {
        SCOPED_TRACE(QStringLiteral("%1 dBm at %2 Mbit/s").arg(row.rssi).arg(row.rate).toStdString());
        const SignalClassification classification = classifySignal(row.rssi, row.rate);
        EXPECT_EQ(classification.state, row.state);
        EXPECT_EQ(classification.colour, stateColour(row.state));
        EXPECT_EQ(classification.flashColour, stateFlashColour(row.state));
        EXPECT_EQ(signalPercent(row.rssi, row.rate), row.percent);
    }
}

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

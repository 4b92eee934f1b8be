#include "monitor/SignalModel.h"

#include "FakeWirelessLink.h"
#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

namespace {

template <typename Row> std::string rowName(const testing::TestParamInfo<Row>& info) {
    return info.param.name;
}

struct NormalizeRow {
    std::string name;
    int rssi;
    int expected;

    friend void PrintTo(const NormalizeRow& row, std::ostream* os) { *os << row.name; }
};

class NormalizeRSSITest : public testing::TestWithParam<NormalizeRow> {};

TEST_P(NormalizeRSSITest, KeepsUsableReadingsAndCollapsesTheRest) {
    EXPECT_EQ(normalizeRSSI(GetParam().rssi), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, NormalizeRSSITest,
                         testing::Values(NormalizeRow{"strong", -20, -20},
                                         NormalizeRow{"weakestUsable", -98, -98},
                                         NormalizeRow{"noSignal", -99, -99}, NormalizeRow{"below", -100, -99},
                                         NormalizeRow{"driverFloor", -127, -99}),
                         rowName<NormalizeRow>);

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
                    ReadingRow{"fastAtMinus40", -40, 866, SignalState::excellent, 99},
                    ReadingRow{"fastAtMinus41", -41, 150, SignalState::excellent, 98},
                    ReadingRow{"fastRoundsDownAtMinus44", -44, 150, SignalState::excellent, 95},
                    ReadingRow{"fastExcellentFloor", -65, 150, SignalState::excellent, 80},
                    ReadingRow{"fastBelowExcellentFloor", -66, 150, SignalState::marginal, 78},
                    ReadingRow{"fastCriticalCeiling", -75, 150, SignalState::marginal, 60},
                    ReadingRow{"fastBelowCriticalCeiling", -76, 300, SignalState::critical, 48},
                    ReadingRow{"fastMinus79", -79, 300, SignalState::critical, 12},
                    ReadingRow{"fastMinus80", -80, 300, SignalState::critical, 0},
                    ReadingRow{"fastMinus81", -81, 300, SignalState::critical, 0}),
    rowName<ReadingRow>);

struct BandRow {
    std::string name;
    QString bandText;
    std::optional<int> linkBand;
    QString label;

    friend void PrintTo(const BandRow& row, std::ostream* os) { *os << row.name; }
};

class BandLabelTest : public testing::TestWithParam<BandRow> {};

TEST_P(BandLabelTest, GivesTheTwoCharacterLabel) {
    EXPECT_EQ(bandLabel(GetParam().bandText, FakeWirelessLink(GetParam().linkBand)), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BandLabelTest,
    testing::Values(BandRow{"twoPointFour", QStringLiteral("2.4G"), 2, QStringLiteral("2G")},
                    BandRow{
                        "twoPointFourInsideText", QStringLiteral("wlan 2.4 GHz"), {}, QStringLiteral("2G")},
                    BandRow{"five", QStringLiteral("5G"), 1, QStringLiteral("5G")},
                    BandRow{"six", QStringLiteral("6G"), {}, QStringLiteral("6G")},
                    BandRow{"unknownWireless", QStringLiteral("wlan"), 2, QStringLiteral("--")},
                    BandRow{"fiveWrittenOut", QStringLiteral("5 GHz"), 2, QStringLiteral("--")},
                    BandRow{"ownLink24", QString(), 1, QStringLiteral("2G")},
                    BandRow{"ownLink5", QString(), 2, QStringLiteral("5G")},
                    BandRow{"ownLink6", QString(), 3, QStringLiteral("6G")},
                    BandRow{"ownLinkNone", QString(), {}, QStringLiteral("--")},
                    BandRow{"ownLinkOtherBand", QString(), 4, QStringLiteral("--")}),
    rowName<BandRow>);

TEST(IsTwoPointFourBandTest, LooksForTwoPointFourAnywhere) {
    EXPECT_TRUE(isTwoPointFourBand(QStringLiteral("2.4G")));
    EXPECT_TRUE(isTwoPointFourBand(QStringLiteral("ra0 (2.4 GHz)")));
    EXPECT_FALSE(isTwoPointFourBand(QStringLiteral("5G")));
    EXPECT_FALSE(isTwoPointFourBand(QString()));
}

TEST(PhyModeNameTest, NamesEveryReportedMode) {
    const QStringList expected{QStringLiteral("WiFi"),     QStringLiteral("802.11a"),
                               QStringLiteral("802.11b"),  QStringLiteral("802.11g"),
                               QStringLiteral("802.11n"),  QStringLiteral("802.11ac"),
                               QStringLiteral("802.11ax"), QStringLiteral("WiFi")};
    for (int mode = 0; mode < expected.size(); ++mode)
        EXPECT_EQ(phyModeName(mode), expected[mode]) << "mode " << mode;
    EXPECT_EQ(phyModeName(-1), QStringLiteral("WiFi"));
}

struct TitleRow {
    std::string name;
    std::optional<QString> iconStyle;
    QString bandText;
    QString title;

    friend void PrintTo(const TitleRow& row, std::ostream* os) { *os << row.name; }
};

class StatusTitleTextTest : public testing::TestWithParam<TitleRow> {};

TEST_P(StatusTitleTextTest, FollowsTheIconStyle) {
    TestEnvironment environment;
    SettingsStore store(environment.path(QStringLiteral("settings.json")));
    if (GetParam().iconStyle)
        store.writeString(SettingsKey::iconStyle, *GetParam().iconStyle);
    EXPECT_EQ(statusTitleText(-64, GetParam().bandText, store, FakeWirelessLink(3)), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, StatusTitleTextTest,
    testing::Values(
        TitleRow{"dot", QStringLiteral("dot"), QStringLiteral("5G"), QString::fromUtf8("●")},
        TitleRow{"dbm", QStringLiteral("dbm"), QStringLiteral("5G"), QStringLiteral(" -64")},
        TitleRow{"band", QStringLiteral("band"), QStringLiteral("2.4G"), QStringLiteral("2G")},
        TitleRow{"bandOfOwnLink", QStringLiteral("band"), QString(), QStringLiteral("6G")},
        TitleRow{"combo", QStringLiteral("combo"), QStringLiteral("5G"), QStringLiteral(" -64*5G")},
        TitleRow{"absentIsCombo", {}, QString(), QStringLiteral(" -64*6G")},
        TitleRow{"unknownIsCombo", QStringLiteral("Dot"), QStringLiteral("wlan"), QStringLiteral(" -64*--")}),
    rowName<TitleRow>);

} // namespace

#include "CliTestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <gtest/gtest.h>

namespace {

// The classification rules restated as tables: for each rate group, the quality
// percentage of every RSSI from -41 dBm down to -80 dBm, worked out by hand from
// the band formulas, and the RSSI ranges of each state.
struct RateGroup {
    int excellentFrom; // this RSSI and above is excellent
    int criticalFrom;  // this RSSI and below is critical
    std::array<int, 40> percentFromMinus41;
};

constexpr RateGroup slowLink{-60, -71, {98, 97, 96, 95, 94, 93, 92, 91, 90, 89,
                                        88, 87, 86, 85, 84, 83, 82, 81, 80, 80,  // -41 … -60
                                        78, 76, 74, 72, 70, 68, 66, 64, 62, 60,  // -61 … -70
                                        54, 48, 42, 36, 30, 24, 18, 12, 6,  0}}; // -71 … -80

constexpr RateGroup fastLink{-65, -76, {98, 97, 96, 95, 95, 94, 93, 92, 92, 91, 90, 89, 89,
                                        88, 87, 86, 86, 85, 84, 83, 83, 82, 81, 80, 80, // -41 … -65
                                        78, 76, 74, 72, 70, 68, 66, 64, 62, 60,         // -66 … -75
                                        48, 36, 24, 12, 0}};                            // -76 … -80

struct Expected {
    int rssi;
    QString state;
    int percent;
};

Expected reference(int rawRssi, int rate) {
    const int rssi = rawRssi < -98 ? -99 : rawRssi;
    const RateGroup& group = rate >= 150 ? fastLink : slowLink;
    QString state = QStringLiteral("Marginal");
    if (rssi >= group.excellentFrom)
        state = QStringLiteral("Excellent");
    else if (rssi <= group.criticalFrom)
        state = QStringLiteral("Critical");
    int percent = 0;
    if (rssi >= -40)
        percent = 99;
    else if (rssi >= -80)
        percent = group.percentFromMinus41[-41 - rssi];
    return {rssi, state, percent};
}

QJsonObject explainJson(const QStringList& args) {
    const CliRun run =
        runCli(QStringList{QStringLiteral("explain")} + args + QStringList{QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8());
    EXPECT_TRUE(document.isObject()) << run.out.toStdString();
    EXPECT_EQ(document.object().size(), 3) << run.out.toStdString();
    return document.object();
}

class ExplainAcceptanceTest : public testing::TestWithParam<int> {};

TEST_P(ExplainAcceptanceTest, AgreesWithTheReferenceForEveryRSSI) {
    const int rate = GetParam();
    for (int rssi = -110; rssi <= -20; ++rssi) {
        const QJsonObject json = explainJson({QString::number(rssi), QString::number(rate)});
        const Expected expected = reference(rssi, rate);
        EXPECT_EQ(json.value(QStringLiteral("rssi")).toInt(1), expected.rssi) << "rssi " << rssi;
        EXPECT_EQ(json.value(QStringLiteral("state")).toString(), expected.state) << "rssi " << rssi;
        EXPECT_EQ(json.value(QStringLiteral("percent")).toInt(-1), expected.percent) << "rssi " << rssi;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, ExplainAcceptanceTest, testing::Values(0, 54, 149, 150, 866));

TEST(ExplainCommandTest, TruncatesDecimalRatesAndTakesTheJsonFlagAnywhere) {
    EXPECT_EQ(explainJson({QStringLiteral("-62"), QStringLiteral("149.9")}).value(QStringLiteral("state")),
              QStringLiteral("Marginal"));
    EXPECT_EQ(explainJson({QStringLiteral("-62"), QStringLiteral("866.7")}).value(QStringLiteral("state")),
              QStringLiteral("Excellent"));
    const CliRun run = runCli(
        {QStringLiteral("explain"), QStringLiteral("--json"), QStringLiteral("-62"), QStringLiteral("100")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QStringLiteral("{\"rssi\":-62,\"state\":\"Marginal\",\"percent\":76}\n"));
}

TEST(ExplainCommandTest, PrintsAReadableSummaryWithoutJson) {
    const CliRun run = runCli({QStringLiteral("explain"), QStringLiteral("-127"), QStringLiteral("100")});
    EXPECT_EQ(run.exitCode, 0);
    for (const QString& part : {QStringLiteral("-99 dBm"), QStringLiteral("Critical"), QStringLiteral("0%")})
        EXPECT_TRUE(run.out.contains(part)) << run.out.toStdString();
}

struct RejectionRow {
    std::string name;
    QStringList args;

    friend void PrintTo(const RejectionRow& row, std::ostream* os) { *os << row.name; }
};

class ExplainRejectionTest : public testing::TestWithParam<RejectionRow> {};

TEST_P(ExplainRejectionTest, ExplainsTheProblemAndExitsWithTwo) {
    const CliRun run = runCli(QStringList{QStringLiteral("explain")} + GetParam().args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("explain"))) << run.err.toStdString();
}

QStringList words(std::initializer_list<const char*> list) {
    QStringList result;
    for (const char* word : list)
        result.append(QString::fromUtf8(word));
    return result;
}

INSTANTIATE_TEST_SUITE_P(BadArguments, ExplainRejectionTest,
                         testing::Values(RejectionRow{"missingRate", words({"-62"})},
                                         RejectionRow{"extraWord", words({"-62", "100", "7"})},
                                         RejectionRow{"decimalRSSI", words({"-62.5", "100"})},
                                         RejectionRow{"wordForRate", words({"-62", "fast"})},
                                         RejectionRow{"negativeRate", words({"-62", "-5"})},
                                         RejectionRow{"rateBeyondInteger", words({"-62", "1e300"})},
                                         RejectionRow{"notANumberRate", words({"-62", "nan"})},
                                         RejectionRow{"unknownOption", words({"-62", "100", "--verbose"})}),
                         [](const testing::TestParamInfo<RejectionRow>& info) { return info.param.name; });

} // namespace

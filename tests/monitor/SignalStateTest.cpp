#include "monitor/SignalState.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

struct StateRow {
    std::string name;
    SignalState state;
    QString stateName;
    QString message;
    std::optional<std::chrono::milliseconds> flashHalfPeriod;
    RgbColour colour;
    bool alerting;

    friend void PrintTo(const StateRow& row, std::ostream* os) { *os << row.name; }
};

class SignalStateTest : public testing::TestWithParam<StateRow> {};

TEST_P(SignalStateTest, DescribesTheState) {
    const StateRow& row = GetParam();
    EXPECT_EQ(stateName(row.state), row.stateName);
    EXPECT_EQ(stateMessage(row.state), row.message);
    EXPECT_EQ(stateFlashHalfPeriod(row.state), row.flashHalfPeriod);
    EXPECT_EQ(stateColour(row.state), row.colour);
    EXPECT_EQ(isAlertingState(row.state), row.alerting);
    // A state flashes in its own colour, and only while it alerts.
    EXPECT_EQ(stateFlashColour(row.state).has_value(), row.alerting);
    if (row.alerting) {
        EXPECT_EQ(stateFlashColour(row.state), stateColour(row.state));
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllStates, SignalStateTest,
    testing::Values(StateRow{"excellent", SignalState::excellent, QStringLiteral("Excellent"),
                             QStringLiteral("Signal excellent"), std::nullopt, Colour::excellentTeal, false},
                    StateRow{"marginal", SignalState::marginal, QStringLiteral("Marginal"),
                             QString::fromUtf8("Signal marginal — move closer to router"), 1000ms,
                             Colour::systemYellow, true},
                    StateRow{"critical", SignalState::critical, QStringLiteral("Critical"),
                             QString::fromUtf8("Signal critical — connection at risk"), 250ms,
                             Colour::systemRed, true},
                    StateRow{"offline", SignalState::offline, QStringLiteral("Offline"),
                             QStringLiteral("Device offline"), std::nullopt, Colour::systemGrey, false}),
    [](const testing::TestParamInfo<StateRow>& info) { return info.param.name; });

} // namespace

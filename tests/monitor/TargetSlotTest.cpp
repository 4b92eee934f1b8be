#include "monitor/TargetSlot.h"

#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

namespace {

// Settings given as null are left absent.
struct SlotRow {
    std::string name;
    const char* labelStyle;
    const char* macB;
    const char* nameA;
    const char* nameB;
    const char* labels; // slot a's label then slot b's
    const char* prefixA;
    const char* prefixB;

    friend void PrintTo(const SlotRow& row, std::ostream* os) { *os << row.name; }
};

class TargetSlotTest : public testing::TestWithParam<SlotRow> {};

TEST_P(TargetSlotTest, LabelsAndPrefixesFollowTheSettings) {
    const SlotRow& row = GetParam();
    TestEnvironment environment;
    SettingsStore store(environment.path(QStringLiteral("settings.json")));
    store.writeString(SettingsKey::targetMAC, QStringLiteral("00:00:85:aa:bb:cc"));
    const auto writeIfGiven = [&store](const QString& key, const char* value) {
        if (value)
            store.writeString(key, QString::fromUtf8(value));
    };
    writeIfGiven(SettingsKey::targetLabelStyle, row.labelStyle);
    writeIfGiven(SettingsKey::targetMAC2, row.macB);
    writeIfGiven(SettingsKey::targetName, row.nameA);
    writeIfGiven(SettingsKey::targetName2, row.nameB);

    EXPECT_EQ(slotLabel(TargetSlot::a, store) + slotLabel(TargetSlot::b, store),
              QString::fromUtf8(row.labels));
    EXPECT_EQ(slotDisplayPrefix(TargetSlot::a, store), QString::fromUtf8(row.prefixA));
    EXPECT_EQ(slotDisplayPrefix(TargetSlot::b, store), QString::fromUtf8(row.prefixB));
    EXPECT_EQ(isSlotConfigured(TargetSlot::b, store), row.macB && *row.macB);
}

constexpr const char* macB = "00:00:85:11:22:33";

INSTANTIATE_TEST_SUITE_P(
    Rows, TargetSlotTest,
    testing::Values(SlotRow{"absentStyleSingleTarget", nullptr, nullptr, nullptr, nullptr, "AB", "", ""},
                    SlotRow{"singleTargetIgnoresNames", "AB", nullptr, "R5", "R6", "AB", "", ""},
                    SlotRow{"emptyMACIsNotConfigured", "12", "", "R5", "R6", "12", "", ""},
                    SlotRow{"numbersWithoutNames", "12", macB, nullptr, nullptr, "12", "1: ", "2: "},
                    SlotRow{"otherStyleIsLetters", "xy", macB, nullptr, nullptr, "AB", "A: ", "B: "},
                    SlotRow{"nameWinsOverLabel", nullptr, macB, "R5 Mark II", "", "AB",
                            "R5 Mark II: ", "B: "}),
    [](const testing::TestParamInfo<SlotRow>& info) { return info.param.name; });

} // namespace

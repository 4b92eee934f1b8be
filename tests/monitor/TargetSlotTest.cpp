#include "monitor/TargetSlot.h"

#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

namespace {

// Settings given as null are left absent.
TEST(TargetSlotTest, LabelsAndPrefixesFollowTheSettings) {
    struct Row {
        const char* labelStyle;
        const char* macB;
        const char* nameA;
        const char* nameB;
        const char* labels; // slot a's label then slot b's
        const char* prefixA;
        const char* prefixB;
    };
    const char* macB = "00:00:85:11:22:33";
    for (const Row& row :
         std::initializer_list<Row>{{nullptr, nullptr, nullptr, nullptr, "AB", "", ""},
                                    {"AB", nullptr, "R5", "R6", "AB", "", ""},
                                    {"12", "", "R5", "R6", "12", "", ""},
                                    {"12", macB, nullptr, nullptr, "12", "1: ", "2: "},
                                    {"xy", macB, nullptr, nullptr, "AB", "A: ", "B: "},
                                    {nullptr, macB, "R5 Mark II", "", "AB", "R5 Mark II: ", "B: "}}) {
        SCOPED_TRACE(std::string(row.labels) + row.prefixA);
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
}

} // namespace

#include "display/ClientPickerSheet.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

RouterClient client(const QString& mac, bool online = true) {
    RouterClient row;
    row.mac = mac;
    row.isOnline = online;
    return row;
}

TEST(ClientPickerSheetTest, TargetsAreBadgedByTheirExactMACNamesColouredAndTapsAnswered) {
    ClientPickerSheet sheet;
    sheet.targetMACA = u"AA:01"_s;
    sheet.targetMACB = u"AA:02"_s;
    sheet.labelStyle = u"12"_s;
    QStringList calls;
    sheet.onSelect = [&](const RouterClient& row) { calls.append(row.mac); };
    sheet.onCancel = [&] { calls.append(u"cancel"_s); };
    EXPECT_EQ(sheet.badge(client(u"AA:01"_s))->label, u"1"_s);
    sheet.labelStyle = u"AB"_s;
    EXPECT_EQ(sheet.badge(client(u"AA:02"_s))->label, u"B"_s);
    EXPECT_EQ(sheet.badge(client(u"AA:02"_s))->colour, Colour::slotBMagenta);
    EXPECT_FALSE(sheet.badge(client(u"aa:01"_s)));
    // A second-generation camera stands out whether or not it is online.
    EXPECT_EQ(ClientPickerSheet::nameColour(client(u"78:f5:05:00:00:01"_s, false)), Colour::veltranoBlue);
    EXPECT_EQ(ClientPickerSheet::nameColour(client(u"84:BA:3B:00:00:01"_s)), Colour::excellentTeal);
    EXPECT_EQ(ClientPickerSheet::nameColour(client(u"84:BA:3B:00:00:01"_s, false)), std::nullopt);

    // Both slots taken: other rows raise the note and keep the sheet open.
    sheet.tap(client(u"aa:01"_s));
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_TRUE(sheet.showBothAssignedMessage);
    sheet.tap(client(u"AA:02"_s));
    EXPECT_EQ(calls, QStringList{u"cancel"_s});
    sheet.pendingSlot = TargetSlot::b;
    sheet.tap(client(u"aa:01"_s));
    EXPECT_EQ(calls.last(), u"aa:01"_s);
}

} // namespace

#include "router/CameraVendor.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

struct VendorPrefixes {
    std::string name;
    QString vendor;
    QStringList prefixes;

    friend void PrintTo(const VendorPrefixes& row, std::ostream* os) { *os << row.name; }
};

class VendorTableTest : public testing::TestWithParam<VendorPrefixes> {};

// Each prefix also in the lower-case, dash-separated form some routers use.
TEST_P(VendorTableTest, EveryPrefixOfTheMakerResolvesToIt) {
    for (const QString& prefix : GetParam().prefixes) {
        SCOPED_TRACE(prefix.toStdString());
        EXPECT_EQ(vendorForMAC(prefix + QStringLiteral(":12:34:56")), GetParam().vendor);
        EXPECT_EQ(vendorForMAC(prefix.toLower().replace(QLatin1Char(':'), QLatin1Char('-')) +
                               QStringLiteral("-ab-cd-ef")),
                  GetParam().vendor);
    }
}

const VendorPrefixes makers[] = {
    {"Nikon", QStringLiteral("Nikon"), {QStringLiteral("3C:BE:E1"), QStringLiteral("00:90:B5")}},
    {"Canon", QStringLiteral("Canon"),
     QStringLiteral(
         "84:BA:3B 60:12:8B 5C:62:5A 74:38:B7 00:BB:C1 F4:81:39 00:1E:8F 00:0F:A0 50:03:CF 34:9F:7B "
         "9C:32:CE 00:30:C4 00:00:85 DC:C2:C9 6C:3C:7C F8:A2:6D 18:0C:AC 2C:9E:FC F8:0D:60 D8:49:2F "
         "88:87:17 A4:F0:1F 40:F8:DF 74:BF:C0 F4:A9:97 6C:F2:D8 80:03:0D 78:F5:05")
         .split(QLatin1Char(' '))},
    {"Sony", QStringLiteral("Sony"),
     QStringLiteral("04:5D:4B 10:4F:A8 40:B8:37 54:42:49 78:84:3C AC:9B:0A B4:52:7E 2C:97:ED")
         .split(QLatin1Char(' '))},
    {"Fujifilm", QStringLiteral("Fujifilm"), {QStringLiteral("88:B4:36"), QStringLiteral("00:C0:2D")}},
    {"Leica", QStringLiteral("Leica"), {QStringLiteral("8C:87:3B")}},
    {"DJI", QStringLiteral("DJI"), {QStringLiteral("60:60:1F"), QStringLiteral("48:1C:B9")}},
};

INSTANTIATE_TEST_SUITE_P(Makers, VendorTableTest, testing::ValuesIn(makers),
                         [](const testing::TestParamInfo<VendorPrefixes>& info) { return info.param.name; });

// Guards the test's own copy of the table: a lost or duplicated line here would
// leave a prefix unchecked.
TEST(VendorTableTest, ListsFortyThreeDistinctPrefixes) {
    QStringList all;
    for (const VendorPrefixes& maker : makers)
        all += maker.prefixes;
    EXPECT_EQ(all.size(), 43);
    all.removeDuplicates();
    EXPECT_EQ(all.size(), 43);
    EXPECT_EQ(makers[1].prefixes.size(), 28);
    EXPECT_EQ(makers[2].prefixes.size(), 8);
}

struct LookupRow {
    std::string name;
    QString mac;
    std::optional<QString> vendor;
    std::optional<CameraModelHint> hint;

    friend void PrintTo(const LookupRow& row, std::ostream* os) { *os << row.name; }
};

class MACLookupTest : public testing::TestWithParam<LookupRow> {};

TEST_P(MACLookupTest, FindsVendorAndHintByPrefix) {
    EXPECT_EQ(vendorForMAC(GetParam().mac), GetParam().vendor);
    EXPECT_EQ(cameraModelHint(GetParam().mac), GetParam().hint);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, MACLookupTest,
    testing::Values(LookupRow{"secondGenerationCanonDashed", QStringLiteral("78-f5-05-aa-bb-cc"),
                              QStringLiteral("Canon"), CameraModelHint::r5MarkII},
                    LookupRow{"nikonHasNoHint", QStringLiteral("3c:be:e1:00:00:01"), QStringLiteral("Nikon"),
                              std::nullopt},
                    LookupRow{"otherCanonHasNoHint", QStringLiteral("84:BA:3B:00:00:01"),
                              QStringLiteral("Canon"), std::nullopt},
                    LookupRow{"prefixAlone", QStringLiteral("78:F5:05"), QStringLiteral("Canon"),
                              CameraModelHint::r5MarkII},
                    LookupRow{"twoParts", QStringLiteral("78:F5"), std::nullopt, std::nullopt},
                    LookupRow{"noSeparators", QStringLiteral("78F505AABBCC"), std::nullopt, std::nullopt},
                    LookupRow{"empty", QString(), std::nullopt, std::nullopt},
                    LookupRow{"unknownMaker", QStringLiteral("AA:BB:CC:DD:EE:FF"), std::nullopt,
                              std::nullopt}),
    [](const testing::TestParamInfo<LookupRow>& info) { return info.param.name; });

} // namespace

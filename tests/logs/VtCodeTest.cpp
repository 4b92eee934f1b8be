#include "logs/VtCode.h"

#include <QSet>
#include <gtest/gtest.h>

// Test names and failure messages show the raw code, not the enum's bytes.
static void PrintTo(VtCode code, std::ostream* os) {
    *os << rawValue(code).toStdString();
}

namespace {

class VtCodeRoundTrip : public ::testing::TestWithParam<VtCode> {};

TEST_P(VtCodeRoundTrip, ParsesItsOwnRawValue) {
    const QString raw = rawValue(GetParam());
    EXPECT_EQ(raw.size(), 7);
    EXPECT_TRUE(raw.startsWith(QStringLiteral("VT-")));
    EXPECT_EQ(vtCodeFromRaw(raw), GetParam());
}

INSTANTIATE_TEST_SUITE_P(AllCodes, VtCodeRoundTrip, ::testing::ValuesIn(allVtCodes), [](const auto& info) {
    return rawValue(info.param).remove(QLatin1Char('-')).toStdString();
});

struct KnownRaw {
    const char* name;
    friend void PrintTo(const KnownRaw& row, std::ostream* os) { *os << row.name; }
    const char* raw;
    VtCode code;
};

class VtCodeKnownRaw : public ::testing::TestWithParam<KnownRaw> {};

TEST_P(VtCodeKnownRaw, NamesTheCode) {
    EXPECT_EQ(rawValue(GetParam().code), QString::fromUtf8(GetParam().raw));
}

// The first and last code of every group.
INSTANTIATE_TEST_SUITE_P(
    GroupEdges, VtCodeKnownRaw,
    ::testing::Values(KnownRaw{"transportReady", "VT-1002", VtCode::transportReady},
                      KnownRaw{"transportClosed", "VT-1006", VtCode::transportClosed},
                      KnownRaw{"authSucceeded", "VT-2002", VtCode::authSucceeded},
                      KnownRaw{"authDiag", "VT-2004", VtCode::authDiag},
                      KnownRaw{"nodeScanReady", "VT-3002", VtCode::nodeScanReady},
                      KnownRaw{"signalUnavailable", "VT-3007", VtCode::signalUnavailable},
                      KnownRaw{"monitorStarted", "VT-4001", VtCode::monitorStarted},
                      KnownRaw{"nodeRecovered", "VT-4009", VtCode::nodeRecovered},
                      KnownRaw{"bandwidthSample", "VT-5001", VtCode::bandwidthSample},
                      KnownRaw{"bandwidthLinkDetail", "VT-5004", VtCode::bandwidthLinkDetail},
                      KnownRaw{"sessionOpened", "VT-9001", VtCode::sessionOpened},
                      KnownRaw{"whatsNewCheck", "VT-9005", VtCode::whatsNewCheck}),
    [](const auto& info) { return std::string(info.param.name); });

struct NotACode {
    const char* name;
    friend void PrintTo(const NotACode& row, std::ostream* os) { *os << row.name; }
    const char* text;
};

class VtCodeRejects : public ::testing::TestWithParam<NotACode> {};

TEST_P(VtCodeRejects, YieldsNoCode) {
    EXPECT_EQ(vtCodeFromRaw(QString::fromUtf8(GetParam().text)), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Texts, VtCodeRejects,
                         ::testing::Values(NotACode{"lowerCase", "vt-1002"},
                                           NotACode{"gapInNumbering", "VT-1001"}, NotACode{"empty", ""},
                                           NotACode{"trailingSpace", "VT-1002 "},
                                           NotACode{"extraDigit", "VT-10020"},
                                           NotACode{"caseName", "transportReady"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VtCode, RawValuesAreDistinctAndHashAsTheirText) {
    QSet<QString> raws;
    for (const VtCode code : allVtCodes) {
        raws.insert(rawValue(code));
        EXPECT_EQ(qHash(code, 7), qHash(rawValue(code), 7));
    }
    EXPECT_EQ(raws.size(), 32);
}

} // namespace

#include "router/GlinetModelName.h"

#include <gtest/gtest.h>

namespace {

struct ModelRow {
    std::string name;
    QString model;
    QString shown;

    friend void PrintTo(const ModelRow& row, std::ostream* os) { *os << row.name; }
};

class GlinetModelNameTest : public testing::TestWithParam<ModelRow> {};

TEST_P(GlinetModelNameTest, NamesKnownBoardsAndPassesOthersThrough) {
    EXPECT_EQ(glinetModelName(GetParam().model), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Boards, GlinetModelNameTest,
    testing::Values(
        ModelRow{"withRevision", QStringLiteral("GL.iNet GL-MT6000, rev 2"),
                 QStringLiteral("Flint 2 (GL-MT6000)")},
        ModelRow{"puliAx", QStringLiteral("GL.iNet GL-XE3000"), QStringLiteral("Puli AX (GL-XE3000)")},
        ModelRow{"mudi7BareCode", QStringLiteral("GL.iNet E5800 board"), QStringLiteral("Mudi 7 (GL-E5800)")},
        ModelRow{"slateAxNotFlint", QStringLiteral("GL-AXT1800"), QStringLiteral("Slate AX (GL-AXT1800)")},
        ModelRow{"unknownBoard", QStringLiteral("GL.iNet GL-X750"), QStringLiteral("GL.iNet GL-X750")}),
    [](const testing::TestParamInfo<ModelRow>& info) { return info.param.name; });

TEST(GlinetBoardModel, ReadsTheModelOrNothing) {
    EXPECT_EQ(
        readGlinetBoardModel(R"({"kernel":"5.4","model":"GL.iNet GL-MT3000","board_name":"glinet,mt3000"})"),
        QStringLiteral("GL.iNet GL-MT3000"));
    EXPECT_EQ(readGlinetBoardModel("sh: ubus: not found"), std::nullopt);
    EXPECT_EQ(readGlinetBoardModel(R"({"model":42})"), std::nullopt);
}

} // namespace

#include "router/ClientLinkDetail.h"

#include <gtest/gtest.h>

namespace {

struct DetailRow {
    std::string name;
    ClientLinkDetail detail;
    QString text;

    friend void PrintTo(const DetailRow& row, std::ostream* os) { *os << row.name; }
};

class LinkDetailTextTest : public testing::TestWithParam<DetailRow> {};

TEST_P(LinkDetailTextTest, JoinsThePartsPresentInFixedOrder) {
    EXPECT_EQ(linkDetailText(GetParam().detail), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LinkDetailTextTest,
    testing::Values(
        DetailRow{"complete", ClientLinkDetail(9, 2, 80, true, QStringLiteral("ac")),
                  QStringLiteral("MCS 9 \u00B7 80 MHz \u00B7 2SS \u00B7 SGI \u00B7 802.11ac")},
        DetailRow{"longGuardOnly", ClientLinkDetail({}, {}, {}, false, {}), QStringLiteral("LGI")},
        DetailRow{"empty", ClientLinkDetail(), QStringLiteral("--")},
        DetailRow{"mcsZeroIsPresent", ClientLinkDetail(0, {}, {}, {}, {}), QStringLiteral("MCS 0")},
        DetailRow{"streamsAndMode", ClientLinkDetail({}, 1, {}, {}, QStringLiteral("ax")),
                  QStringLiteral("1SS \u00B7 802.11ax")}),
    [](const testing::TestParamInfo<DetailRow>& info) { return info.param.name; });

} // namespace

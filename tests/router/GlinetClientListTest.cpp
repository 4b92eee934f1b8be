#include "router/GlinetClientList.h"

#include "router/GlinetFieldDump.h"
#include "router/RowNormalisation.h"

#include <gtest/gtest.h>

namespace {

QJsonArray clientsOf(const QByteArray& json) {
    return parseRouterJson(json).value_or(QJsonDocument()).array();
}

QStringList macsOf(const QList<RouterClient>& rows) {
    QStringList macs;
    for (const RouterClient& row : rows)
        macs.append(row.mac);
    return macs;
}

struct OnlineRow {
    std::string name;
    QByteArray clients;
    QStringList kept;

    friend void PrintTo(const OnlineRow& row, std::ostream* os) { *os << row.name; }
};

class GlinetOnlineRuleTest : public testing::TestWithParam<OnlineRow> {};

TEST_P(GlinetOnlineRuleTest, KeepsTheRowsTheListCallsOnline) {
    EXPECT_EQ(macsOf(glinetClientRows(clientsOf(GetParam().clients))), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, GlinetOnlineRuleTest,
    testing::Values(
        OnlineRow{"livenessReported",
                  R"([{"mac":"a","online":true},{"mac":"b","online":false,"iface":"2.4G"},
                      {"mac":"c","alive":false},{"mac":"d"}])",
                  {QStringLiteral("a"), QStringLiteral("d")}},
        OnlineRow{"noRowOnlineKeepsThoseNamingAnInterface",
                  R"([{"mac":"a","online":false,"iface":"5G"},{"mac":"b","online":false,"iface":""},
                      {"mac":"c","online":false}])",
                  {QStringLiteral("a")}},
        OnlineRow{"numericFlags",
                  R"([{"mac":"a","online":1},{"mac":"b","online":0,"iface":"5G"},{"mac":"c","alive":0}])",
                  {QStringLiteral("a")}},
        OnlineRow{"wrongTypesAndMissingMac",
                  R"([{"online":true},{"mac":7,"online":true},"junk",{"mac":"z"}])",
                  {QStringLiteral("z")}}),
    [](const testing::TestParamInfo<OnlineRow>& info) { return info.param.name; });

TEST(GlinetClientList, MapsTheVendorExampleWithoutTakingBytesPerSecondForARate) {
    // Served as application/octet-stream by the router; tx/rx are bytes per second.
    const auto list = readGlinetClientList(
        R"({"jsonrpc":"2.0","id":2,"result":{"clients":[{"mac":"18:c0:4d:aa:bb:cc","name":"DESKTOP-1",
            "ip":"192.168.8.148","tx":5120,"rx":880,"total_tx":470371319,"total_rx":"397117728",
            "iface":"eth0","online":true}]}})");
    const RouterClient expected(QStringLiteral("18:c0:4d:aa:bb:cc"), QStringLiteral("192.168.8.148"),
                                QStringLiteral("DESKTOP-1"), QStringLiteral("eth0"), -99, 0.0, true,
                                470371319, 397117728, std::nullopt);
    EXPECT_FALSE(list.sessionExpired);
    EXPECT_EQ(list.rows, QList<RouterClient>{expected});
}

TEST(GlinetClientList, FallsBackFieldByField) {
    const auto rows = glinetClientRows(clientsOf(
        R"([{"mac":"m","hostname":"cam","txrate":433.3,"tx_bytes":18446744073709551615,"rx_bytes":-4}])"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].hostname, QStringLiteral("cam"));
    EXPECT_EQ(rows[0].txRate, 433.3);
    EXPECT_EQ(rows[0].rssi, -99);
    EXPECT_EQ(rows[0].txBytes, 18446744073709551615u);
    EXPECT_EQ(rows[0].rxBytes, 0u);
    // The JSON parser alone would round this through double.
    const auto exact =
        readGlinetClientList(R"({"result":{"clients":[{"mac":"m","total_tx":9007199254740993}]}})");
    ASSERT_EQ(exact.rows.size(), 1);
    EXPECT_EQ(exact.rows[0].txBytes, 9007199254740993u);
}

TEST(GlinetClientList, ReportsAnExpiredSessionAndSurvivesJunk) {
    const auto expired = readGlinetClientList(
        R"({"id":23,"jsonrpc":"2.0","error":{"message":"Access denied","code":-32000}})");
    EXPECT_TRUE(expired.sessionExpired);
    EXPECT_TRUE(expired.rows.isEmpty());
    for (const QByteArray& junk :
         {QByteArray("<html><title>404</title></html>"), QByteArray(R"({"result":{}})"),
          QByteArray(R"({"result":{"clients":{"mac":"m"}}})"), QByteArray(R"([1,2])"),
          QByteArray(R"({"error":{"code":-32601}})")}) {
        const auto list = readGlinetClientList(junk);
        EXPECT_FALSE(list.sessionExpired) << junk.constData();
        EXPECT_TRUE(list.rows.isEmpty()) << junk.constData();
    }
}

TEST(GlinetClientList, DumpsTheTargetEntryOnceFoundIgnoringCase) {
    const QJsonArray clients = clientsOf(R"([{"mac":"aa:bb","online":true,"name":null,"tx":0,"x":[1]}])");
    const auto entry = glinetClientEntry(clients, QStringLiteral("AA:BB"));
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(glinetClientListDump(QStringLiteral("AA:BB"), *entry),
              QStringLiteral("[DIAG] GL.iNet clients.get_list fields for AA:BB:\n"
                             "  mac = aa:bb\n  name = nil\n  online = true\n  tx = 0\n  x = [1]"));
    EXPECT_EQ(glinetClientEntry(clients, QString()), std::nullopt);
}

} // namespace

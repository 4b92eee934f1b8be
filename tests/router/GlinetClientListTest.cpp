#include "router/GlinetClientList.h"

#include "router/GlinetFieldDump.h"
#include "router/RowNormalisation.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QJsonArray clientsOf(const QByteArray& json) {
    return parseRouterJson(json).value_or(QJsonDocument()).array();
}

TEST(GlinetClientList, KeepsTheRowsTheListCallsOnline) {
    const struct {
        const char* name;
        QByteArray clients;
        QStringList kept;
    } rows[] = {
        {"livenessReported",
         R"([{"mac":"a","online":1},{"mac":"b","online":0,"iface":"2.4G"},{"mac":"c","alive":false},{"mac":"d"}])",
         {u"a"_s, u"d"_s}},
        {"noRowOnlineKeepsThoseNamingAnInterface",
         R"([{"mac":"a","online":false,"iface":"5G"},{"mac":"b","online":false,"iface":""}])",
         {u"a"_s}},
        {"noUsableMac", R"([{"online":true},{"mac":7,"online":true},"junk",{"mac":"z"}])", {u"z"_s}},
    };
    for (const auto& row : rows) {
        QStringList macs;
        for (const RouterClient& client : glinetClientRows(clientsOf(row.clients)))
            macs.append(client.mac);
        EXPECT_EQ(macs, row.kept) << row.name;
    }
}

// tx and rx are bytes per second, not a rate; the name and rate fall back field by field.
TEST(GlinetClientList, MapsTheVendorExample) {
    const auto list = readGlinetClientList(
        R"({"jsonrpc":"2.0","id":2,"result":{"clients":[{"mac":"18:c0:4d:aa:bb:cc","name":"DESKTOP-1",
            "ip":"192.168.8.148","tx":5120,"rx":880,"total_tx":470371319,"total_rx":"397117728",
            "iface":"eth0","online":true}]}})");
    EXPECT_FALSE(list.sessionExpired);
    EXPECT_EQ(list.rows, QList<RouterClient>{RouterClient(u"18:c0:4d:aa:bb:cc"_s, u"192.168.8.148"_s,
                                                          u"DESKTOP-1"_s, u"eth0"_s, -99, 0.0, true,
                                                          470371319, 397117728, std::nullopt)});
    const auto rows =
        glinetClientRows(clientsOf(R"([{"mac":"m","hostname":"cam","txrate":433.3,"tx_bytes":8}])"));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].hostname, u"cam"_s);
    EXPECT_EQ(rows[0].txRate, 433.3);
    EXPECT_EQ(rows[0].txBytes, 8u);
}

TEST(GlinetClientList, ReportsAnExpiredSessionAndSurvivesJunk) {
    const auto expired = readGlinetClientList(
        R"({"id":23,"jsonrpc":"2.0","error":{"message":"Access denied","code":-32000}})");
    EXPECT_TRUE(expired.sessionExpired);
    EXPECT_TRUE(expired.rows.isEmpty());
    for (const char* junk : {"<html><title>404</title></html>", R"({"result":{"clients":{"mac":"m"}}})",
                             R"({"error":{"code":-32601}})"}) {
        const auto list = readGlinetClientList(junk);
        EXPECT_FALSE(list.sessionExpired) << junk;
        EXPECT_TRUE(list.rows.isEmpty()) << junk;
    }
}

TEST(GlinetClientList, DumpsTheTargetEntryOnceFoundIgnoringCase) {
    const QJsonArray clients = clientsOf(R"([{"mac":"aa:bb","online":true,"name":null,"tx":0,"x":[1]}])");
    const auto entry = glinetClientEntry(clients, u"AA:BB"_s);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(glinetClientListDump(u"AA:BB"_s, *entry),
              u"[DIAG] GL.iNet clients.get_list fields for AA:BB:\n"
              "  mac = aa:bb\n  name = nil\n  online = true\n  tx = 0\n  x = [1]"_s);
    EXPECT_EQ(glinetClientEntry(clients, QString()), std::nullopt);
}

} // namespace

#include "router/RouterUrl.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Every adapter and the detector build their requests here, so a bad address
// is refused once for all of them.
TEST(RouterUrl, TakesAHostAndPortAndNothingElse) {
    EXPECT_EQ(routerUrl(u"https"_s, u"192.168.8.1"_s, u"/api/system"_s),
              QUrl(u"https://192.168.8.1/api/system"_s));
    EXPECT_EQ(routerUrl(u"http"_s, u"127.0.0.1:8080"_s, u"/rpc"_s), QUrl(u"http://127.0.0.1:8080/rpc"_s));
    for (const QString& address :
         {QString(), u"bad host"_s, u"10.0.0.1/admin?x="_s, u"user@10.0.0.1"_s, u"10.0.0.1 ; reboot"_s,
          u"10.0.0.1?x"_s, u"10.0.0.1#x"_s, u"10.0.0.1:99999"_s})
        EXPECT_EQ(routerUrl(u"http"_s, address, u"/rpc"_s), std::nullopt) << address.toStdString();
}

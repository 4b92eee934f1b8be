#include "platform/NetlinkEventFilter.h"

#include "platform/NetlinkMessage.h"

#include <gtest/gtest.h>
#include <linux/nl80211.h>
#include <linux/rtnetlink.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>

namespace {

constexpr int nl80211Family = 0x1c;

QByteArray nl80211Event(uint8_t command, int family = nl80211Family) {
    NetlinkMessage message(nlmsg_alloc());
    genlmsg_put(message.get(), 0, 0, family, 0, 0, command, 0);
    nla_put_u32(message.get(), NL80211_ATTR_IFINDEX, 3);
    return wireBytes(message.get());
}

QByteArray routeEvent(int type, bool wireless = false) {
    NetlinkMessage message(nlmsg_alloc_simple(type, 0));
    ifinfomsg info{};
    nlmsg_append(message.get(), &info, sizeof info, NLMSG_ALIGNTO);
    nla_put_string(message.get(), IFLA_IFNAME, "wlan0");
    if (wireless)
        nla_put(message.get(), IFLA_WIRELESS, 4, "\x08\x00\x19\x8b");
    return wireBytes(message.get());
}

QByteArray claimingMoreThanItHas(QByteArray bytes) {
    reinterpret_cast<nlmsghdr*>(bytes.data())->nlmsg_len += 64;
    return bytes;
}

struct FilterRow {
    const char* name;
    friend void PrintTo(const FilterRow& row, std::ostream* os) { *os << row.name; }
    QByteArray datagram;
    bool expected;
};

class AssociationChange : public ::testing::TestWithParam<FilterRow> {};

TEST_P(AssociationChange, CountsOnlyConnectDisconnectAndRoam) {
    const QByteArray& datagram = GetParam().datagram;
    EXPECT_EQ(hasAssociationChange(datagram.constData(), static_cast<size_t>(datagram.size()), nl80211Family),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AssociationChange,
    ::testing::Values(
        FilterRow{"Connect", nl80211Event(NL80211_CMD_CONNECT), true},
        FilterRow{"Disconnect", nl80211Event(NL80211_CMD_DISCONNECT), true},
        FilterRow{"Roam", nl80211Event(NL80211_CMD_ROAM), true},
        FilterRow{"Authenticate", nl80211Event(NL80211_CMD_AUTHENTICATE), false},
        FilterRow{"AuthenticateThenConnect",
                  nl80211Event(NL80211_CMD_AUTHENTICATE) + nl80211Event(NL80211_CMD_ASSOCIATE) +
                      nl80211Event(NL80211_CMD_CONNECT),
                  true},
        FilterRow{"OtherFamily", nl80211Event(NL80211_CMD_CONNECT, nl80211Family + 1), false},
        FilterRow{"ConnectClaimingTooMuch", claimingMoreThanItHas(nl80211Event(NL80211_CMD_CONNECT)), false},
        FilterRow{"HeaderOnly", nl80211Event(NL80211_CMD_CONNECT).left(sizeof(nlmsghdr)), false},
        FilterRow{"Empty", QByteArray(), false}),
    [](const ::testing::TestParamInfo<FilterRow>& info) { return std::string(info.param.name); });

class NetworkPathChange : public ::testing::TestWithParam<FilterRow> {};

TEST_P(NetworkPathChange, CountsLinksAddressesAndRoutesButNotWirelessChatter) {
    const QByteArray& datagram = GetParam().datagram;
    EXPECT_EQ(hasNetworkPathChange(datagram.constData(), static_cast<size_t>(datagram.size())),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NetworkPathChange,
    ::testing::Values(
        FilterRow{"NewLink", routeEvent(RTM_NEWLINK), true},
        FilterRow{"DelLink", routeEvent(RTM_DELLINK), true},
        FilterRow{"NewAddress", routeEvent(RTM_NEWADDR), true},
        FilterRow{"DelAddress", routeEvent(RTM_DELADDR), true},
        FilterRow{"NewRoute", routeEvent(RTM_NEWROUTE), true},
        FilterRow{"DelRoute", routeEvent(RTM_DELROUTE), true},
        FilterRow{"Neighbour", routeEvent(RTM_NEWNEIGH), false},
        FilterRow{"WirelessExtensionEvent", routeEvent(RTM_NEWLINK, true), false},
        FilterRow{"WirelessThenAddress", routeEvent(RTM_NEWLINK, true) + routeEvent(RTM_NEWADDR), true},
        FilterRow{"AddressClaimingTooMuch", claimingMoreThanItHas(routeEvent(RTM_NEWADDR)), false},
        FilterRow{"TruncatedHeader", routeEvent(RTM_NEWADDR).left(8), false},
        FilterRow{"Empty", QByteArray(), false}),
    [](const ::testing::TestParamInfo<FilterRow>& info) { return std::string(info.param.name); });

} // namespace

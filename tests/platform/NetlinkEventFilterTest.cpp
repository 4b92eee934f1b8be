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

// One row per guard of the datagram walk, which both questions share: a message
// claiming more than the datagram holds, a cut header, nothing. A change later
// in a datagram still counts.
TEST(NetlinkEventFilter, AssociationChangeIsConnectDisconnectOrRoamOfOurFamily) {
    const auto changes = [](const QByteArray& datagram) {
        return hasAssociationChange(datagram.constData(), static_cast<size_t>(datagram.size()),
                                    nl80211Family);
    };
    EXPECT_TRUE(changes(nl80211Event(NL80211_CMD_AUTHENTICATE) + nl80211Event(NL80211_CMD_ROAM)));
    for (const QByteArray& datagram :
         {nl80211Event(NL80211_CMD_AUTHENTICATE), nl80211Event(NL80211_CMD_CONNECT, nl80211Family + 1),
          claimingMoreThanItHas(nl80211Event(NL80211_CMD_CONNECT)),
          nl80211Event(NL80211_CMD_CONNECT).left(sizeof(nlmsghdr)), QByteArray()})
        EXPECT_FALSE(changes(datagram)) << datagram.toHex().toStdString();
}

TEST(NetlinkEventFilter, PathChangeIsLinkAddressOrRouteButNotWirelessChatter) {
    const auto changes = [](const QByteArray& datagram) {
        return hasNetworkPathChange(datagram.constData(), static_cast<size_t>(datagram.size()));
    };
    EXPECT_TRUE(changes(routeEvent(RTM_NEWLINK, true) + routeEvent(RTM_DELROUTE)));
    EXPECT_FALSE(changes(routeEvent(RTM_NEWNEIGH)));
    EXPECT_FALSE(changes(routeEvent(RTM_NEWLINK, true)));
}

} // namespace

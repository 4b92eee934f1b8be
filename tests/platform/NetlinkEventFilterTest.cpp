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

// Only connect, disconnect and roam change the association; a datagram that
// claims more than it holds is read no further.
TEST(NetlinkEventFilter, AssociationChangeIsConnectDisconnectOrRoamOfOurFamily) {
    const auto changes = [](const QByteArray& datagram) {
        return hasAssociationChange(datagram.constData(), static_cast<size_t>(datagram.size()),
                                    nl80211Family);
    };
    for (const uint8_t command : {NL80211_CMD_CONNECT, NL80211_CMD_DISCONNECT, NL80211_CMD_ROAM})
        EXPECT_TRUE(changes(nl80211Event(command))) << int(command);
    EXPECT_TRUE(changes(nl80211Event(NL80211_CMD_AUTHENTICATE) + nl80211Event(NL80211_CMD_ASSOCIATE) +
                        nl80211Event(NL80211_CMD_CONNECT)));
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
    for (const int type : {RTM_NEWLINK, RTM_DELLINK, RTM_NEWADDR, RTM_DELADDR, RTM_NEWROUTE, RTM_DELROUTE})
        EXPECT_TRUE(changes(routeEvent(type))) << type;
    EXPECT_TRUE(changes(routeEvent(RTM_NEWLINK, true) + routeEvent(RTM_NEWADDR)));
    for (const QByteArray& datagram :
         {routeEvent(RTM_NEWNEIGH), routeEvent(RTM_NEWLINK, true),
          claimingMoreThanItHas(routeEvent(RTM_NEWADDR)), routeEvent(RTM_NEWADDR).left(8), QByteArray()})
        EXPECT_FALSE(changes(datagram)) << datagram.toHex().toStdString();
}

} // namespace

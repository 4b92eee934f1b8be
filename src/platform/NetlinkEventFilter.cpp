#include "platform/NetlinkEventFilter.h"

#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>
#include <linux/rtnetlink.h>

namespace {

// Walks the messages of one datagram, trusting no length field: a message that
// claims more bytes than remain ends the walk.
template <typename Predicate> bool anyMessage(const void* datagram, size_t length, Predicate counts) {
    const auto* bytes = static_cast<const unsigned char*>(datagram);
    size_t offset = 0;
    while (bytes != nullptr && length - offset >= sizeof(nlmsghdr)) {
        const auto* message = reinterpret_cast<const nlmsghdr*>(bytes + offset);
        if (message->nlmsg_len < sizeof(nlmsghdr) || message->nlmsg_len > length - offset)
            return false;
        if (counts(*message))
            return true;
        const size_t aligned = NLMSG_ALIGN(message->nlmsg_len);
        if (aligned >= length - offset)
            return false;
        offset += aligned;
    }
    return false;
}

bool isWirelessExtensionEvent(const nlmsghdr& message) {
    const size_t headerLength = NLMSG_LENGTH(sizeof(ifinfomsg));
    if (message.nlmsg_len < headerLength)
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&message);
    size_t offset = NLMSG_ALIGN(headerLength);
    while (offset + sizeof(rtattr) <= message.nlmsg_len) {
        const auto* attribute = reinterpret_cast<const rtattr*>(bytes + offset);
        if (attribute->rta_len < sizeof(rtattr) || attribute->rta_len > message.nlmsg_len - offset)
            return false;
        if (attribute->rta_type == IFLA_WIRELESS)
            return true;
        offset += RTA_ALIGN(attribute->rta_len);
    }
    return false;
}

} // namespace

bool hasAssociationChange(const void* datagram, size_t length, int nl80211FamilyId) {
    return anyMessage(datagram, length, [nl80211FamilyId](const nlmsghdr& message) {
        if (message.nlmsg_type != nl80211FamilyId || message.nlmsg_len < NLMSG_LENGTH(GENL_HDRLEN))
            return false;
        const auto command = static_cast<const genlmsghdr*>(NLMSG_DATA(&message))->cmd;
        return command == NL80211_CMD_CONNECT || command == NL80211_CMD_DISCONNECT ||
               command == NL80211_CMD_ROAM;
    });
}

bool hasNetworkPathChange(const void* datagram, size_t length) {
    return anyMessage(datagram, length, [](const nlmsghdr& message) {
        switch (message.nlmsg_type) {
        case RTM_NEWLINK:
            return !isWirelessExtensionEvent(message);
        case RTM_DELLINK:
        case RTM_NEWADDR:
        case RTM_DELADDR:
        case RTM_NEWROUTE:
        case RTM_DELROUTE:
            return true;
        default:
            return false;
        }
    });
}

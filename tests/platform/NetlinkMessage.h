#pragma once

#include <QByteArray>
#include <memory>
#include <netlink/msg.h>

// A netlink message built in the test, freed with it.
struct NetlinkMessageDeleter {
    void operator()(nl_msg* message) const { nlmsg_free(message); }
};
using NetlinkMessage = std::unique_ptr<nl_msg, NetlinkMessageDeleter>;

// The message as it travels: its bytes, padded to the netlink alignment so that
// several can be joined into one datagram.
inline QByteArray wireBytes(nl_msg* message) {
    const nlmsghdr* header = nlmsg_hdr(message);
    QByteArray bytes(reinterpret_cast<const char*>(header), static_cast<qsizetype>(header->nlmsg_len));
    bytes.append(
        QByteArray(static_cast<qsizetype>(NLMSG_ALIGN(header->nlmsg_len) - header->nlmsg_len), '\0'));
    return bytes;
}

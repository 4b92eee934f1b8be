#include "platform/NetlinkNetworkEvents.h"

#include "logs/EventLogger.h"
#include "platform/NetlinkEventFilter.h"

#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/nl80211.h>
#include <linux/rtnetlink.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t bufferSize = 32 * 1024;
// Bounds one activation, so a flood cannot hold the main loop; whatever is left
// makes the socket readable again at once.
constexpr int maximumDatagramsPerRead = 256;

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

void NetlinkNetworkEvents::SocketDeleter::operator()(nl_sock* socket) const {
    nl_socket_free(socket);
}

NetlinkNetworkEvents::NetlinkNetworkEvents(EventLogger& logger, QObject* parent)
    : NetworkEventSource(parent)
    , logger(logger)
    , buffer(bufferSize) {
    openRouteSocket();
    openNl80211Socket();
}

NetlinkNetworkEvents::~NetlinkNetworkEvents() {
    closeRouteSocket();
    closeNl80211Socket();
}

void NetlinkNetworkEvents::openRouteSocket() {
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        logger.logError(VtCode::signalUnavailable,
                        QStringLiteral("network path changes cannot be followed: ") + errnoText(errno));
        return;
    }
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups =
        RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0) {
        const int error = errno;
        ::close(fd);
        logger.logError(VtCode::signalUnavailable,
                        QStringLiteral("network path changes cannot be followed: ") + errnoText(error));
        return;
    }
    routeFd = fd;
    routeNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(routeNotifier, &QSocketNotifier::activated, this, &NetlinkNetworkEvents::readQueued);
}

void NetlinkNetworkEvents::openNl80211Socket() {
    std::unique_ptr<nl_sock, SocketDeleter> socket(nl_socket_alloc());
    if (!socket || genl_connect(socket.get()) < 0)
        return;
    const int family = genl_ctrl_resolve(socket.get(), NL80211_GENL_NAME);
    const int group = genl_ctrl_resolve_grp(socket.get(), NL80211_GENL_NAME, NL80211_MULTICAST_GROUP_MLME);
    if (family < 0 || group < 0) {
        // No Wi-Fi driver loaded: path changes still arrive, and one of them
        // (a new link) is when this is tried again.
        if (!hasLoggedMissingNl80211) {
            hasLoggedMissingNl80211 = true;
            logger.logDebug(
                VtCode::signalUnavailable,
                QStringLiteral("nl80211 is not available: Wi-Fi association changes are not followed"));
        }
        return;
    }
    if (nl_socket_add_membership(socket.get(), group) < 0 || nl_socket_set_nonblocking(socket.get()) < 0)
        return;
    nl80211FamilyId = family;
    nl80211Socket = std::move(socket);
    nl80211Notifier = new QSocketNotifier(nl_socket_get_fd(nl80211Socket.get()), QSocketNotifier::Read, this);
    connect(nl80211Notifier, &QSocketNotifier::activated, this, &NetlinkNetworkEvents::readQueued);
}

void NetlinkNetworkEvents::readQueued() {
    bool changed = false;
    if (routeFd >= 0) {
        const Drained drained = drain(routeFd, false);
        if (drained == Drained::failed)
            closeRouteSocket();
        changed = drained == Drained::change;
    }
    if (nl80211Socket) {
        const Drained drained = drain(nl_socket_get_fd(nl80211Socket.get()), true);
        if (drained == Drained::failed)
            closeNl80211Socket();
        changed = changed || drained == Drained::change;
    }
    if (changed && !nl80211Socket)
        openNl80211Socket();
    if (changed)
        Q_EMIT networkChanged();
}

NetlinkNetworkEvents::Drained NetlinkNetworkEvents::drain(int fd, bool nl80211) {
    Drained result = Drained::nothing;
    for (int datagrams = 0; datagrams < maximumDatagramsPerRead; ++datagrams) {
        sockaddr_nl sender{};
        iovec vector{buffer.data(), buffer.size()};
        msghdr header{};
        header.msg_name = &sender;
        header.msg_namelen = sizeof sender;
        header.msg_iov = &vector;
        header.msg_iovlen = 1;
        const ssize_t received = ::recvmsg(fd, &header, MSG_DONTWAIT);
        if (received < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            if (error == EAGAIN || error == EWOULDBLOCK)
                return result;
            // The kernel dropped messages it could not queue; some of them may
            // have been changes.
            if (error == ENOBUFS) {
                result = Drained::change;
                continue;
            }
            if (!hasLoggedReadFailure) {
                hasLoggedReadFailure = true;
                logger.logError(VtCode::signalUnavailable,
                                QStringLiteral("network events can no longer be read: ") + errnoText(error));
            }
            return Drained::failed;
        }
        if (received == 0)
            return result;
        // Only the kernel speaks for the network.
        if (sender.nl_pid != 0)
            continue;
        const auto length = static_cast<size_t>(received);
        const bool counts = (header.msg_flags & MSG_TRUNC) != 0 ||
                            (nl80211 ? hasAssociationChange(buffer.data(), length, nl80211FamilyId)
                                     : hasNetworkPathChange(buffer.data(), length));
        if (counts)
            result = Drained::change;
    }
    return result;
}

// The notifier may be the one whose activation is running, so it is switched
// off at once (before its descriptor closes) and deleted later.
void NetlinkNetworkEvents::closeRouteSocket() {
    if (routeNotifier) {
        routeNotifier->setEnabled(false);
        routeNotifier->deleteLater();
    }
    if (routeFd >= 0)
        ::close(routeFd);
    routeFd = -1;
}

void NetlinkNetworkEvents::closeNl80211Socket() {
    if (nl80211Notifier) {
        nl80211Notifier->setEnabled(false);
        nl80211Notifier->deleteLater();
    }
    nl80211Socket.reset();
    nl80211FamilyId = -1;
}

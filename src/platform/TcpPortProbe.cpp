#include "platform/TcpPortProbe.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <iterator>
#include <net/if.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

std::optional<SocketAddress> socketAddress(const QHostAddress& address, quint16 port) {
    SocketAddress result;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* ipv4 = reinterpret_cast<sockaddr_in*>(&result.storage);
        ipv4->sin_family = AF_INET;
        ipv4->sin_port = htons(port);
        ipv4->sin_addr.s_addr = htonl(address.toIPv4Address());
        result.length = sizeof(sockaddr_in);
        return result;
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&result.storage);
        ipv6->sin6_family = AF_INET6;
        ipv6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::copy(std::begin(bytes.c), std::end(bytes.c), ipv6->sin6_addr.s6_addr);
        // A link-local address means nothing without the interface it lives on.
        const QString scope = address.scopeId();
        if (!scope.isEmpty()) {
            bool isNumber = false;
            const unsigned index = scope.toUInt(&isNumber);
            ipv6->sin6_scope_id = isNumber ? index : if_nametoindex(scope.toLocal8Bit().constData());
        }
        result.length = sizeof(sockaddr_in6);
        return result;
    }
    return std::nullopt;
}

struct ClosedOnExit {
    int fd;
    ~ClosedOnExit() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

bool TcpPortProbe::answers(const QHostAddress& address, quint16 port,
                           std::chrono::milliseconds within) const {
    const std::optional<SocketAddress> target = socketAddress(address, port);
    if (!target)
        return false;
    const ClosedOnExit socket{
        ::socket(target->storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)};
    if (socket.fd < 0)
        return false;
    if (::connect(socket.fd, target->get(), target->length) == 0)
        return true;
    if (errno != EINPROGRESS)
        return false;

    const QDeadlineTimer deadline(within);
    for (;;) {
        pollfd writable{socket.fd, POLLOUT, 0};
        const int ready = ::poll(&writable, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        int error = 0;
        socklen_t length = sizeof(error);
        return ::getsockopt(socket.fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
}

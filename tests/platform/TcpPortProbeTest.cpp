#include "platform/TcpPortProbe.h"

#include "platform/PrivateNetwork.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <cstring>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QHostAddress loopback(QHostAddress::LocalHost);

// A TCP socket on 127.0.0.1 at a port of the kernel's choosing.
struct LoopbackSocket {
    LoopbackSocket() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
    }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;
    ~LoopbackSocket() { ::close(fd); }

    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    quint16 port = 0;
};

// A new network namespace starts with its loopback down.
bool bringLoopbackUp() {
    const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = control >= 0 && ::ioctl(control, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP;
    up = up && ::ioctl(control, SIOCSIFFLAGS, &request) == 0;
    ::close(control);
    return up;
}

class TcpPortProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!inPrivateNetworkNamespace())
            GTEST_SKIP() << "runs only inside run-in-private-network.sh";
        ASSERT_TRUE(bringLoopbackUp());
        ASSERT_NE(server.port, 0);
    }

    LoopbackSocket server;
    TcpPortProbe probe;
};

TEST_F(TcpPortProbeTest, AListenerAnswersAndIsLeftWithOneClosedConnection) {
    ASSERT_EQ(::listen(server.fd, 4), 0);
    EXPECT_TRUE(probe.answers(loopback, server.port, 2s));

    // The handshake was all: the connection arrives already closed, with no data.
    const int accepted = ::accept(server.fd, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    char byte = 0;
    EXPECT_EQ(::recv(accepted, &byte, 1, 0), 0);
    ::close(accepted);
}

// Bound but not listening: the kernel refuses at once, long before the time-out.
TEST_F(TcpPortProbeTest, AClosedPortIsRefusedWithoutWaiting) {
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(probe.answers(loopback, server.port, 30s));
    EXPECT_LT(elapsed.elapsed(), 10000);
}

// A listener whose queue is full drops the handshake unanswered, as a host
// that is not there would.
TEST_F(TcpPortProbeTest, SilenceIsNoAnswerOnceTheTimeIsUp) {
    ASSERT_EQ(::listen(server.fd, 0), 0);
    LoopbackSocket filler;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(server.port);
    ASSERT_EQ(::connect(filler.fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    pollfd queued{server.fd, POLLIN, 0};
    ASSERT_EQ(::poll(&queued, 1, 2000), 1);

    EXPECT_FALSE(probe.answers(loopback, server.port, 300ms));
}

} // namespace

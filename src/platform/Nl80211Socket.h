#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

struct nl_msg;
struct nl_sock;
struct nlmsghdr;

// A generic-netlink socket bound to the kernel's nl80211 family, asking one
// request at a time and waiting a bounded time for its answers. One thread at
// a time.
class Nl80211Socket {
public:
    enum class Opening { opened, noNl80211, failed };
    enum class Status { answered, refused, broken };

    struct Outcome {
        Status status = Status::broken;
        // The kernel's errno when it refused; 0 when the request could not be built.
        int error = 0;
    };

    Nl80211Socket();
    Nl80211Socket(const Nl80211Socket&) = delete;
    Nl80211Socket& operator=(const Nl80211Socket&) = delete;
    ~Nl80211Socket();

    // noNl80211 on machines without any Wi-Fi driver loaded.
    Opening open();
    bool isOpen() const;

    // Each answer goes to onAnswer as it arrives. A broken request closes the
    // socket: answers still on their way would be mistaken for the next one's.
    Outcome request(uint8_t command, bool dump, const std::function<bool(nl_msg*)>& fill,
                    const std::function<void(nlmsghdr*)>& onAnswer, std::chrono::milliseconds within);

private:
    struct SocketDeleter {
        void operator()(nl_sock* socket) const;
    };

    void close();

    std::unique_ptr<nl_sock, SocketDeleter> socket;
    int familyId = -1;
};

#pragma once

#include <QHostAddress>
#include <chrono>

// Whether something accepts a TCP connection at one address and port. Any
// thread; blocks for at most `within`.
class PortProbe {
public:
    PortProbe() = default;
    PortProbe(const PortProbe&) = delete;
    PortProbe& operator=(const PortProbe&) = delete;
    virtual ~PortProbe() = default;

    virtual bool answers(const QHostAddress& address, quint16 port,
                         std::chrono::milliseconds within) const = 0;
};

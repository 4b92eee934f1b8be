#pragma once

#include "preflight/PortProbe.h"

// A TCP handshake with the address itself, closed as soon as it completes and
// carrying no data. Never resolves a name.
class TcpPortProbe : public PortProbe {
public:
    bool answers(const QHostAddress& address, quint16 port, std::chrono::milliseconds within) const override;
};

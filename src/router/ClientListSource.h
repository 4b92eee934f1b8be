#pragma once

#include "router/RouterAdapter.h"

#include <QString>

// What the device picker needs of the router connection: the router's wireless
// client list and which addresses share a subnet with this computer.
class ClientListSource {
public:
    ClientListSource() = default;
    ClientListSource(const ClientListSource&) = delete;
    ClientListSource& operator=(const ClientListSource&) = delete;
    virtual ~ClientListSource() = default;

    // Answers later on the main thread, exactly once; none on any failure.
    virtual void fetchClients(RouterAdapter::ClientsCompletion completion) = 0;
    // Whether `address` lies in one of the computer's own IPv4 subnets.
    virtual bool isOnLocalSubnet(const QString& address) const = 0;
    // Why the router refused the login, while that refusal stands.
    virtual std::optional<QString> loginRefusal() = 0;
};

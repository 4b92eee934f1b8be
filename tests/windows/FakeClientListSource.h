#pragma once

#include "router/ClientListSource.h"
#include "router/GatewayDiscovery.h"

#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

// Holds each request until the test answers it; this computer sits on
// 192.168.8.0/24 alone.
class FakeClientListSource : public ClientListSource {
public:
    void fetchClients(RouterAdapter::ClientsCompletion completion) override {
        pending.push_back(std::move(completion));
    }
    bool isOnLocalSubnet(const QString& address) const override {
        return ::isOnLocalSubnet(address, {{u"192.168.8.20"_s, u"255.255.255.0"_s}});
    }
    // None: the router did not answer.
    std::optional<QString> loginRefusal() override { return refusal; }
    void answer(const std::optional<QList<RouterClient>>& rows) {
        const RouterAdapter::ClientsCompletion completion = std::move(pending.front());
        pending.erase(pending.begin());
        completion(rows);
    }

    std::vector<RouterAdapter::ClientsCompletion> pending;
    std::optional<QString> refusal;
};

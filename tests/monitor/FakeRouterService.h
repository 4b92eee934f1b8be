#pragma once

#include "router/RouterService.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <vector>

// A router whose client rows and health the test sets. Fetches and probes are
// answered at once, or held until the test answers them (from any thread).
class FakeRouterService : public RouterService {
public:
    struct PendingFetch {
        QString mac;
        ClientCompletion completion;
    };

    void fetchClient(const QString& targetMAC, ClientCompletion completion) override {
        fetchedMACs.append(targetMAC);
        if (holdFetches)
            pendingFetches.push_back({targetMAC, std::move(completion)});
        else
            completion(row(targetMAC));
    }
    void probeRouterHealth(HealthCompletion completion) override {
        if (holdProbes)
            pendingProbes.push_back(std::move(completion));
        else
            completion(healthy);
    }
    void resetSession() override { ++sessionResets; }
    void disconnect() override { ++disconnects; }
    QList<GatewayOption> gatewayOptions() override {
        ++gatewayLookups;
        return gateways;
    }
    bool isGatewayOnWiFi(const QString& address) override {
        ++wifiGatewayQueries;
        return wifiGateways.contains(address);
    }
    bool isOnLocalSubnet(const QString& address) const override {
        return std::any_of(localSubnets.begin(), localSubnets.end(),
                           [&](const QString& prefix) { return address.startsWith(prefix); });
    }

    std::optional<RouterClient> row(const QString& mac) const {
        const auto found = rows.constFind(mac);
        return found == rows.constEnd() ? std::nullopt : std::optional(*found);
    }

    QHash<QString, RouterClient> rows;
    bool healthy = true;
    bool holdFetches = false;
    bool holdProbes = false;
    QStringList fetchedMACs;
    std::vector<PendingFetch> pendingFetches;
    std::vector<HealthCompletion> pendingProbes;
    int sessionResets = 0;
    int disconnects = 0;
    int gatewayLookups = 0;
    int wifiGatewayQueries = 0;
    QList<GatewayOption> gateways;
    QSet<QString> wifiGateways;
    // Address prefixes ("192.168.1.") of the computer's own subnets.
    QStringList localSubnets;
};

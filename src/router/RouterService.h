#pragma once

#include "router/GatewayOption.h"
#include "router/RouterClient.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// What the monitor needs of the router connection. Completions are called exactly
// once, on any thread; callers hand them to the main thread themselves.
class RouterService {
public:
    using ClientCompletion = std::function<void(std::optional<RouterClient>)>;
    using HealthCompletion = std::function<void(bool)>;

    RouterService() = default;
    RouterService(const RouterService&) = delete;
    RouterService& operator=(const RouterService&) = delete;
    virtual ~RouterService() = default;

    // The row of `targetMAC` (matched ignoring case) in the router's current
    // wireless client list; none when it is not listed or the request failed.
    virtual void fetchClient(const QString& targetMAC, ClientCompletion completion) = 0;
    // True when the router gave its family's healthy answer.
    virtual void probeRouterHealth(HealthCompletion completion) = 0;
    // Forget router sessions and per-client caches.
    virtual void resetSession() = 0;
    // Tear down the connection and its transports.
    virtual void disconnect() = 0;
    // Detected gateways in routing-table order. Answered from the kernel's tables
    // without child processes, so it is safe on the main thread.
    virtual QList<GatewayOption> gatewayOptions() = 0;
    // Whether the default route through `address` uses a Wi-Fi interface.
    virtual bool isGatewayOnWiFi(const QString& address) = 0;
    // Whether `address` lies in one of the computer's own IPv4 subnets: a router
    // there is reachable even when it is no default route (a camera network
    // used only for its own addresses, a controller beside the gateway).
    virtual bool isOnLocalSubnet(const QString& address) const = 0;
};

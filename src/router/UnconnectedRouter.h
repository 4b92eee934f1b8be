#pragma once

#include "router/RouterService.h"

// The router connection while no router family can be reached: every fetch finds
// nothing and every probe fails. The monitor only asks it once a connect flow has
// set `routerConnected`, so in practice the program shows the idle indicator.
class UnconnectedRouter final : public RouterService {
public:
    void fetchClient(const QString& targetMAC, ClientCompletion completion) override;
    void probeRouterHealth(HealthCompletion completion) override;
    void resetSession() override {}
    void disconnect() override {}
    QList<GatewayOption> gatewayOptions() override { return {}; }
    bool isGatewayOnWiFi(const QString&) override { return false; }
};

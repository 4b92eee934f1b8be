#pragma once

#include "app/MonitorPlatform.h"
#include "platform/LinuxGatewaySource.h"
#include "platform/NetlinkNetworkEvents.h"
#include "platform/Nl80211WirelessLink.h"
#include "router/RouterManager.h"
#include "router/keyring/SecretServiceCredentialStore.h"

// The computer's own Wi-Fi through nl80211, its network events through
// netlink, the Secret Service and the studio router the settings name.
class LinuxMonitorPlatform {
public:
    LinuxMonitorPlatform();

    MonitorPlatform pieces() { return {link, networkEvents, credentials, router}; }

private:
    Nl80211WirelessLink link;
    LinuxGatewaySource gateways;
    SecretServiceCredentialStore credentials;
    RouterManager router;
    NetlinkNetworkEvents networkEvents;
};

#pragma once

#include "app/MonitorPlatform.h"
#include "platform/Clock.h"
#include "platform/NetworkEventSource.h"
#include "platform/NoWirelessLink.h"
#include "router/demo/DemoRouter.h"
#include "router/keyring/DemoCredentialStore.h"

// The demo's side of the world: the built-in timeline's router on the real
// clock, no Wi-Fi link, network events that never come and a keyring in
// memory that holds a password for the scripted router, so that the launch
// reconnects to it as to a real one. Sends nothing anywhere.
class DemoMonitorPlatform {
public:
    DemoMonitorPlatform();

    MonitorPlatform pieces() { return {link, networkEvents, credentials, router}; }

private:
    const DemoTimeline timeline;
    SystemClock clock;
    NoWirelessLink link;
    NetworkEventSource networkEvents;
    DemoCredentialStore credentials;
    DemoRouter router;
};

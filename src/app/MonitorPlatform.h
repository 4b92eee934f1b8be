#pragma once

class CredentialStore;
class NetworkEventSource;
class RouterFront;
class WirelessLink;

// What the monitor watches through: the computer's Wi-Fi link and network
// events, the keyring and the router. The real pieces (LinuxMonitorPlatform)
// or the demo's (DemoMonitorPlatform), whose owner outlives every user.
struct MonitorPlatform {
    WirelessLink& link;
    NetworkEventSource& networkEvents;
    CredentialStore& credentials;
    RouterFront& router;
};

#pragma once

#include "router/CameraVendor.h"

#include <QString>
#include <functional>
#include <optional>

class Clock;
class EventLogger;
class FloatingSignalState;
class MenuPresenter;
class NetworkEventSource;
class RouterService;
class SessionLog;
class SettingsStore;
class SoundPlayer;
class StatusItem;
class WirelessLink;

// Everything the monitor loop and its target monitors reach outside themselves.
// The application passes the real, process-wide pieces; tests pass fakes. Each
// must outlive the monitor.
struct MonitorContext {
    using VendorLookup = std::function<std::optional<QString>(const QString& mac)>;

    SettingsStore& settings;
    RouterService& router;
    WirelessLink& link;
    NetworkEventSource& networkEvents;
    StatusItem& statusItem;
    MenuPresenter& menu;
    SoundPlayer& soundPlayer;
    const Clock& clock;
    SessionLog& sessionLog;
    FloatingSignalState& floating;
    EventLogger& logger;
    VendorLookup vendorForMAC = ::vendorForMAC;
};

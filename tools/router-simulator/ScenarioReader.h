#pragma once

#include "Scenario.h"

#include <QJsonObject>

// Scenario file format (one JSON object; every key optional unless marked):
//
// {
//   "username": "admin",                 router login user (GL.iNet always uses root)
//   "password": "secret",                router password, also root's SSH password in the lab
//   "model": {"glinet": "GL.iNet GL-MT6000", "unifi": "UDRULT", "peplink": "Peplink Balance 20X"},
//                                        or one string for all three
//   "glinet": {"alg": 5, "hashMethod": "sha256", "nonceLifetimeMs": 2000},
//                                        hashMethod "" leaves `hash-method` out (older firmware)
//   "wifiDevices": ["wlan0", "wlan1"],   `ubus call iwinfo devices`; default: the clients' devices
//   "accessPoints": [{"mac": "...", "ip": "10.77.0.5", "name": "AP", "model": "U7PG2"}],
//   "apSSH": {"username": "root", "password": "..."},   handed out by rest/setting/mgmt
//   "clients": [{
//     "mac": "A0:CD:F3:00:00:01",        required
//     "ip", "name",                      text
//     "wired": false, "online": true,
//     "band": "5G",                      "2.4G", "5G" or "6G" (wireless clients)
//     "channel": 36,
//     "wifiInterface": "wlan1",          default wlan0 (2.4G) / wlan1 (5G) / wlan2 (6G)
//     "apInterface": "wifi1ap2",         default wifi0ap0 / wifi1ap2 / wifi2ap5
//     "apMac": "...",                    the UniFi access point the station is on
//     "nss": 2, "width": 80, "phy": "ax", "mcs": 11, "shortGI": true,
//     "rssi": -55, "txRate": 866.7,      steady values (Mbit/s)
//     "txBytes": 0, "rxBytes": 0,        counters at start
//     "txBytesPerSecond": 0, "rxBytesPerSecond": 0,   counter growth
//     "timeline": [{"rssi": -55, "txRate": 866.7}, ...],   one step per second, cycled
//     "quirks": ["numericStrings", "rssiWithoutSignal", "wiredAsString", "wiredAsNumber"]
//   }]
// }
//
// The state file the serving simulator keeps for ubus and hostapd_cli holds
// {"clients": [...]} in the same client format, each at its current values.
class ScenarioReader {
public:
    struct Result {
        std::optional<Scenario> scenario;
        QString error;
    };

    static Result read(const QByteArray& json);
    // None when the object has no usable "mac".
    static std::optional<SimClient> readClient(const QJsonObject& object);
};

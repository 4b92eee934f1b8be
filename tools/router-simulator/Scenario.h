#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// One second of a client's radio story.
struct TimelineStep {
    int rssi = -99;
    double txRate = 0.0;

    bool operator==(const TimelineStep&) const = default;
};

// A client as the scenario describes it, and, with the timeline folded in, as it
// stands at one moment.
struct SimClient {
    QString mac;
    QString ip;
    QString name;
    bool wired = false;
    bool online = true;
    // "2.4G", "5G" or "6G"; the UniFi radio ("ng", "na", "6e") follows from it.
    QString band;
    int channel = 0;
    // The OpenWrt wireless device ("wlan1") and the UniFi access point's hostapd
    // interface ("wifi1ap2") the station is associated on.
    QString wifiInterface;
    QString apInterface;
    QString apMac;
    int nss = 0;
    int widthMHz = 0;
    // "be", "ax", "ac", "n", "g"; also picks the era of the iwinfo answer.
    QString phy;
    std::optional<int> mcs;
    bool shortGI = false;
    int rssi = -99;
    double txRate = 0.0;
    std::uint64_t txBytes = 0;
    std::uint64_t rxBytes = 0;
    std::uint64_t txBytesPerSecond = 0;
    std::uint64_t rxBytesPerSecond = 0;
    QList<TimelineStep> timeline;
    // Firmware habits to show in this client's rows: "numericStrings",
    // "rssiWithoutSignal", "wiredAsString", "wiredAsNumber".
    QStringList quirks;

    bool hasQuirk(const QString& quirk) const { return quirks.contains(quirk); }
};

struct SimAccessPoint {
    QString mac;
    QString ip;
    QString name;
    QString model;
};

struct GlinetLoginSettings {
    // The crypt scheme the challenge names: 1, 5 or 6.
    int alg = 1;
    // The challenge's `hash-method`; empty leaves the field out, as older firmware does.
    QString hashMethod = QStringLiteral("md5");
    int nonceLifetimeMs = 2000;
};

struct Scenario {
    QString username;
    QString password;
    QString glinetModel;
    QString uniFiShortname;
    QString peplinkModel;
    GlinetLoginSettings glinetLogin;
    QStringList wifiDevices;
    QList<SimAccessPoint> accessPoints;
    QString apSSHUsername;
    QString apSSHPassword;
    QList<SimClient> clients;
};

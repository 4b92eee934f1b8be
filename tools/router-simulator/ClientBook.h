#pragma once

#include "Scenario.h"
#include "router/demo/DemoTimeline.h"

// The scenario's clients as they stand at a moment: the timeline advanced one
// step per second and the counters grown, with the values a test pinned. A
// client the demo timeline scripts plays its scenes instead, the counters
// growing from the scenario's.
class ClientBook {
public:
    struct Pin {
        std::optional<int> rssi;
        std::optional<double> txRate;
        std::optional<std::uint64_t> txBytes;
        std::optional<std::uint64_t> rxBytes;
        // A roam: the access point (its MAC) and interface the station moves to.
        std::optional<QString> apMac;
        std::optional<QString> apInterface;
    };

    explicit ClientBook(QList<SimClient> scenarioClients, std::optional<DemoTimeline> demoTimeline = {});

    QList<SimClient> clientsAt(qint64 elapsedMs) const;
    // Freezes the client at its current values, then applies the pin; a pinned
    // counter stops growing. False for a MAC the scenario does not hold.
    bool pin(const QString& mac, const Pin& values, qint64 elapsedMs);
    // The scenario again, its timelines starting over at this moment.
    void reset(qint64 elapsedMs);

private:
    struct Entry {
        SimClient client;
        // When this entry's timeline and counter growth started.
        qint64 originMs = 0;
        // Its demo timeline camera, until a test pins it.
        std::optional<DemoTimeline::Camera> scripted;
    };
    SimClient valuesAt(const Entry& entry, qint64 elapsedMs) const;

    QList<SimClient> scenarioClients;
    std::optional<DemoTimeline> timeline;
    QList<Entry> entries;
};

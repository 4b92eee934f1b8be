#pragma once

#include "Scenario.h"

// The scenario's clients as they stand at a moment: the timeline advanced one
// step per second and the counters grown, with the values a test pinned.
class ClientBook {
public:
    struct Pin {
        std::optional<int> rssi;
        std::optional<double> txRate;
        std::optional<std::uint64_t> txBytes;
        std::optional<std::uint64_t> rxBytes;
    };

    explicit ClientBook(QList<SimClient> scenarioClients);

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
    };
    static SimClient valuesAt(const Entry& entry, qint64 elapsedMs);

    QList<SimClient> scenarioClients;
    QList<Entry> entries;
};

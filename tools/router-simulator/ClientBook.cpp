#include "ClientBook.h"

ClientBook::ClientBook(QList<SimClient> clients, std::optional<DemoTimeline> demoTimeline)
    : scenarioClients(std::move(clients))
    , timeline(std::move(demoTimeline)) {
    reset(0);
}

SimClient ClientBook::valuesAt(const Entry& entry, qint64 elapsedMs) const {
    SimClient client = entry.client;
    if (entry.scripted) {
        const std::optional<RouterClient> row =
            timeline->clientAt(*entry.scripted, elapsedMs - entry.originMs);
        client.online = row.has_value();
        if (row) {
            client.band = row->iface;
            client.rssi = row->rssi;
            client.txRate = row->txRate;
            client.txBytes += row->txBytes;
            client.rxBytes += row->rxBytes;
        }
        return client;
    }
    const qint64 seconds = std::max<qint64>(0, (elapsedMs - entry.originMs) / 1000);
    if (!client.timeline.isEmpty()) {
        const TimelineStep& step = client.timeline[seconds % client.timeline.size()];
        client.rssi = step.rssi;
        client.txRate = step.txRate;
    }
    client.txBytes += client.txBytesPerSecond * static_cast<std::uint64_t>(seconds);
    client.rxBytes += client.rxBytesPerSecond * static_cast<std::uint64_t>(seconds);
    return client;
}

QList<SimClient> ClientBook::clientsAt(qint64 elapsedMs) const {
    QList<SimClient> clients;
    for (const Entry& entry : entries)
        clients.append(valuesAt(entry, elapsedMs));
    return clients;
}

bool ClientBook::pin(const QString& mac, const Pin& values, qint64 elapsedMs) {
    for (Entry& entry : entries) {
        if (entry.client.mac.compare(mac, Qt::CaseInsensitive) != 0)
            continue;
        entry.client = valuesAt(entry, elapsedMs);
        entry.client.timeline.clear();
        entry.scripted.reset();
        entry.originMs = elapsedMs;
        if (values.rssi)
            entry.client.rssi = *values.rssi;
        if (values.txRate)
            entry.client.txRate = *values.txRate;
        if (values.txBytes) {
            entry.client.txBytes = *values.txBytes;
            entry.client.txBytesPerSecond = 0;
        }
        if (values.rxBytes) {
            entry.client.rxBytes = *values.rxBytes;
            entry.client.rxBytesPerSecond = 0;
        }
        if (values.apMac)
            entry.client.apMac = *values.apMac;
        if (values.apInterface)
            entry.client.apInterface = *values.apInterface;
        return true;
    }
    return false;
}

void ClientBook::reset(qint64 elapsedMs) {
    entries.clear();
    for (const SimClient& client : std::as_const(scenarioClients)) {
        Entry entry{client, elapsedMs, std::nullopt};
        if (timeline)
            for (const DemoTimeline::Camera& camera : std::as_const(timeline->cameras))
                if (camera.mac.compare(client.mac, Qt::CaseInsensitive) == 0)
                    entry.scripted = camera;
        entries.append(entry);
    }
}

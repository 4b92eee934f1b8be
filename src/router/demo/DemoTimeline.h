#pragma once

#include "router/RouterClient.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// The demo's script: what its router reports, second by second, looping. Read
// from a JSON file (resources/demo/demo-timeline.json, whose "about" key
// describes the format) by the demo router and the router simulator alike, so
// screenshots and tests play the same scenes.
struct DemoTimeline {
    // One stretch of a camera's story: its values hold from `from` (seconds
    // into the loop) until the next scene's `from`.
    struct Scene {
        int from = 0;
        bool online = true;
        // Empty keeps the camera's own band.
        QString band;
        int rssi = -99;
        double txRate = 0.0;
        std::uint64_t txBytesPerSecond = 0;
        std::uint64_t rxBytesPerSecond = 0;
    };
    struct Camera {
        QString mac;
        QString ip;
        QString hostname;
        QString band;
        QList<Scene> scenes;
    };
    struct Outage {
        int from = 0;
        int until = 0;
    };
    static struct DemoTimelineRead read(const QByteArray& json);
    // The copy built into the program.
    static DemoTimeline builtIn();

    // The camera's row `elapsedMs` after the script started; none while it is
    // offline. The byte counters hold everything sent since the start.
    std::optional<RouterClient> clientAt(const Camera& camera, qint64 elapsedMs) const;
    bool isRouterReachableAt(qint64 elapsedMs) const;

    int loopSeconds = 0;
    QString routerAddress;
    QString routerModel;
    QList<Outage> outages;
    QList<Camera> cameras;
};

// A timeline, or why the file holds none.
struct DemoTimelineRead {
    std::optional<DemoTimeline> timeline;
    QString error;
};

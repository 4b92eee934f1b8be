#include "router/demo/DemoTimeline.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

std::uint64_t bytesPerSecond(const QJsonValue& value) {
    const double number = value.toDouble(0.0);
    return number > 0.0 ? static_cast<std::uint64_t>(number) : 0;
}

std::optional<DemoTimeline::Camera> readCamera(const QJsonObject& object, int loopSeconds, QString* error) {
    DemoTimeline::Camera camera{object.value(QStringLiteral("mac")).toString(),
                                object.value(QStringLiteral("ip")).toString(),
                                object.value(QStringLiteral("hostname")).toString(),
                                object.value(QStringLiteral("band")).toString(QStringLiteral("5G")),
                                {}};
    if (camera.mac.isEmpty()) {
        *error = QStringLiteral("a camera has no \"mac\"");
        return std::nullopt;
    }
    for (const QJsonValue& entry : object.value(QStringLiteral("scenes")).toArray()) {
        const QJsonObject scene = entry.toObject();
        const int from = scene.value(QStringLiteral("from")).toInt(-1);
        const int earliest = camera.scenes.isEmpty() ? 0 : camera.scenes.last().from + 1;
        if (from < earliest || from >= loopSeconds || (camera.scenes.isEmpty() && from != 0)) {
            *error =
                QStringLiteral("the scenes of %1 must start at 0 and rise within the loop").arg(camera.mac);
            return std::nullopt;
        }
        camera.scenes.append({from, scene.value(QStringLiteral("online")).toBool(true),
                              scene.value(QStringLiteral("band")).toString(),
                              scene.value(QStringLiteral("rssi")).toInt(-99),
                              scene.value(QStringLiteral("txRate")).toDouble(0.0),
                              bytesPerSecond(scene.value(QStringLiteral("txBytesPerSecond"))),
                              bytesPerSecond(scene.value(QStringLiteral("rxBytesPerSecond")))});
    }
    if (camera.scenes.isEmpty()) {
        *error = QStringLiteral("%1 has no scenes").arg(camera.mac);
        return std::nullopt;
    }
    return camera;
}

// Bytes one direction carried over the first `seconds` of the loop.
std::uint64_t carried(const QList<DemoTimeline::Scene>& scenes, int seconds, int loopSeconds,
                      std::uint64_t DemoTimeline::Scene::*rate) {
    std::uint64_t total = 0;
    for (qsizetype index = 0; index < scenes.size(); ++index) {
        const int end = index + 1 < scenes.size() ? scenes[index + 1].from : loopSeconds;
        const int lasting = std::min(end, seconds) - scenes[index].from;
        if (lasting > 0)
            total += scenes[index].*rate * static_cast<std::uint64_t>(lasting);
    }
    return total;
}

} // namespace

DemoTimelineRead DemoTimeline::read(const QByteArray& json) {
    QJsonParseError parseError;
    const QJsonObject root = QJsonDocument::fromJson(json, &parseError).object();
    if (parseError.error != QJsonParseError::NoError)
        return {std::nullopt, QStringLiteral("timeline is not JSON: ") + parseError.errorString()};

    DemoTimeline timeline;
    timeline.loopSeconds = root.value(QStringLiteral("loopSeconds")).toInt(0);
    if (timeline.loopSeconds < 1)
        return {std::nullopt, QStringLiteral("\"loopSeconds\" must be 1 or more")};
    const QJsonObject router = root.value(QStringLiteral("router")).toObject();
    timeline.routerAddress = router.value(QStringLiteral("address")).toString();
    timeline.routerModel = router.value(QStringLiteral("model")).toString();
    for (const QJsonValue& entry : router.value(QStringLiteral("unreachable")).toArray()) {
        const QJsonObject outage = entry.toObject();
        timeline.outages.append(
            {outage.value(QStringLiteral("from")).toInt(), outage.value(QStringLiteral("until")).toInt()});
    }
    for (const QJsonValue& entry : root.value(QStringLiteral("cameras")).toArray()) {
        QString error;
        std::optional<Camera> camera = readCamera(entry.toObject(), timeline.loopSeconds, &error);
        if (!camera)
            return {std::nullopt, error};
        timeline.cameras.append(*camera);
    }
    return {timeline, {}};
}

DemoTimeline DemoTimeline::builtIn() {
    Q_INIT_RESOURCE(demo);
    QFile file(QStringLiteral(":/demo/demo-timeline.json"));
    file.open(QIODevice::ReadOnly);
    // The file is part of the build, and a test reads it: it is always valid.
    return *read(file.readAll()).timeline;
}

std::optional<RouterClient> DemoTimeline::clientAt(const Camera& camera, qint64 elapsedMs) const {
    const qint64 elapsedSeconds = std::max<qint64>(0, elapsedMs / 1000);
    const qint64 loops = elapsedSeconds / loopSeconds;
    const int second = static_cast<int>(elapsedSeconds % loopSeconds);
    const auto scene = std::find_if(camera.scenes.rbegin(), camera.scenes.rend(),
                                    [second](const Scene& candidate) { return candidate.from <= second; });
    if (!scene->online)
        return std::nullopt;
    const auto counter = [&](std::uint64_t Scene::*rate) {
        return carried(camera.scenes, loopSeconds, loopSeconds, rate) * static_cast<std::uint64_t>(loops) +
               carried(camera.scenes, second, loopSeconds, rate);
    };
    RouterClient row;
    row.mac = camera.mac;
    row.ip = camera.ip;
    row.hostname = camera.hostname;
    row.iface = scene->band.isEmpty() ? camera.band : scene->band;
    row.rssi = scene->rssi;
    row.txRate = scene->txRate;
    row.isOnline = true;
    row.txBytes = counter(&Scene::txBytesPerSecond);
    row.rxBytes = counter(&Scene::rxBytesPerSecond);
    return row;
}

bool DemoTimeline::isRouterReachableAt(qint64 elapsedMs) const {
    const int second = static_cast<int>(std::max<qint64>(0, elapsedMs / 1000) % loopSeconds);
    return std::none_of(outages.cbegin(), outages.cend(), [second](const Outage& outage) {
        return second >= outage.from && second < outage.until;
    });
}

#include "router/demo/DemoRouter.h"

#include "platform/Clock.h"
#include "router/RouterFamily.h"

#include <QMetaObject>

DemoRouter::DemoRouter(DemoTimeline timelineValue, const Clock& clockValue, QObject* parent)
    : QObject(parent)
    , timeline(std::move(timelineValue))
    , clock(clockValue)
    , start(clockValue.now()) {}

qint64 DemoRouter::elapsedMs() const {
    return start.msecsTo(clock.now());
}

void DemoRouter::answerLater(std::function<void()> answer) {
    QMetaObject::invokeMethod(this, std::move(answer), Qt::QueuedConnection);
}

void DemoRouter::fetchClient(const QString& targetMAC, ClientCompletion completion) {
    const qint64 elapsed = elapsedMs();
    std::optional<RouterClient> row;
    if (timeline.isRouterReachableAt(elapsed))
        for (const DemoTimeline::Camera& camera : timeline.cameras)
            if (camera.mac.compare(targetMAC, Qt::CaseInsensitive) == 0)
                row = timeline.clientAt(camera, elapsed);
    answerLater([completion = std::move(completion), row] { completion(row); });
}

void DemoRouter::probeRouterHealth(HealthCompletion completion) {
    answerLater([completion = std::move(completion), healthy = timeline.isRouterReachableAt(elapsedMs())] {
        completion(healthy);
    });
}

QList<GatewayOption> DemoRouter::gatewayOptions() {
    return {
        {timeline.routerAddress, timeline.routerAddress + QStringLiteral(" \u2014 ") + timeline.routerModel}};
}

void DemoRouter::fetchClients(RouterAdapter::ClientsCompletion completion) {
    const qint64 elapsed = elapsedMs();
    std::optional<QList<RouterClient>> rows;
    if (timeline.isRouterReachableAt(elapsed)) {
        rows.emplace();
        for (const DemoTimeline::Camera& camera : timeline.cameras)
            if (const std::optional<RouterClient> row = timeline.clientAt(camera, elapsed))
                rows->append(*row);
    }
    answerLater([completion = std::move(completion), rows] { completion(rows); });
}

void DemoRouter::connect(RouterAdapter::ConnectCompletion completion) {
    answerLater([completion = std::move(completion)] { completion(true, std::nullopt); });
}

void DemoRouter::fetchModelName(RouterAdapter::ModelCompletion completion) {
    answerLater([completion = std::move(completion), model = timeline.routerModel] { completion(model); });
}

void DemoRouter::detectRouterType(const QString&, DetectionCompletion completion) {
    answerLater([completion = std::move(completion)] { completion({.family = RouterFamily::glinet}); });
}

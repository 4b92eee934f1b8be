#pragma once

#include "router/RouterFront.h"
#include "router/demo/DemoTimeline.h"

#include <QDateTime>
#include <QObject>

class Clock;

// The demo's router, in the process: it plays the timeline, looping, on
// `clock` from the moment it is made. No socket, no child process, no keyring;
// logging in always succeeds. Answers later on the main thread, as the real
// front does.
class DemoRouter final : public QObject, public RouterFront {
public:
    DemoRouter(DemoTimeline timeline, const Clock& clock, QObject* parent = nullptr);

    // RouterService
    void fetchClient(const QString& targetMAC, ClientCompletion completion) override;
    void probeRouterHealth(HealthCompletion completion) override;
    void resetSession() override {}
    void disconnect() override {}
    QList<GatewayOption> gatewayOptions() override;
    bool isGatewayOnWiFi(const QString&) override { return false; }

    // ClientListSource
    void fetchClients(RouterAdapter::ClientsCompletion completion) override;
    bool isOnLocalSubnet(const QString&) const override { return true; }
    std::optional<QString> loginRefusal() override { return std::nullopt; }

    // RouterConnector
    void connect(RouterAdapter::ConnectCompletion completion) override;
    void fetchModelName(RouterAdapter::ModelCompletion completion) override;
    void fetchAPSSHCredentials() override {}

    // RouterFront
    void detectRouterType(const QString& address, DetectionCompletion completion) override;
    bool endBackgroundWork(std::chrono::milliseconds) override { return true; }

private:
    qint64 elapsedMs() const;
    void answerLater(std::function<void()> answer);

    const DemoTimeline timeline;
    const Clock& clock;
    const QDateTime start;
};

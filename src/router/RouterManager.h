#pragma once

#include "router/GatewaySource.h"
#include "router/RouterAccess.h"
#include "router/RouterFront.h"
#include "router/RouterTypeDetector.h"
#include "router/glinet/GlinetAdapter.h"
#include "router/peplink/PeplinkAdapter.h"
#include "router/ssh/ChildProcesses.h"
#include "router/ssh/PrivateRuntimeDirectory.h"
#include "router/unifi/UniFiAdapter.h"

#include <QObject>
#include <QThreadPool>
#include <chrono>

class CredentialStore;
class EventLogger;
class SettingsStore;

// The front of the router connection: finds and labels candidate router
// addresses, tells which family answers at one, and hands every other request to
// the adapter of the family stored in `detectedRouterType` ("unifi", "peplink",
// anything else GL.iNet).
//
// Lives on the main thread and is called there; every completion runs later on
// the main thread.
class RouterManager final : public QObject, public RouterFront {
public:
    RouterManager(SettingsStore& settings, CredentialStore& credentials, EventLogger& logger,
                  const GatewaySource& gateways,
                  QString sshDirectory = PrivateRuntimeDirectory::defaultPath());
    // Ends the background work as endBackgroundWork does; work still running
    // after that (a keyring call that does not answer) is waited for, since the
    // adapters it touches go next.
    ~RouterManager() override;

    // For quitting: ends every ssh child (an ssh that never answers returns at
    // once) and refuses new ones, drops the background work not yet started and
    // waits up to `deadline` for the rest. True when nothing runs any more;
    // false leaves a keyring call running, which only leaving the process at
    // once (without destroying what it touches) can outrun. Final: no ssh runs
    // for this manager afterwards.
    bool endBackgroundWork(std::chrono::milliseconds deadline) override;

    // The `routerIP` setting trimmed; else the first detected gateway; else the
    // fall-back address.
    QString routerAddress() const;
    // The password kept for routerAddress(); empty when there is none. Blocks on
    // the keyring: background threads only.
    QString routerPassword() const;

    // RouterService
    void fetchClient(const QString& targetMAC, ClientCompletion completion) override;
    // RouterAdapter::fetchSettledClient of the current family.
    void fetchSettledClient(const QString& targetMAC, ClientCompletion completion);
    void probeRouterHealth(HealthCompletion completion) override;
    void resetSession() override;
    void disconnect() override;
    QList<GatewayOption> gatewayOptions() override;
    bool isGatewayOnWiFi(const QString& address) override;

    // The detector's answer, refused where the address's first login was as
    // another family.
    void detectRouterType(const QString& address, DetectionCompletion completion) override;

    // ClientListSource
    void fetchClients(RouterAdapter::ClientsCompletion completion) override;
    bool isOnLocalSubnet(const QString& address) const override;
    std::optional<QString> loginRefusal() override;

    // RouterConnector
    void connect(RouterAdapter::ConnectCompletion completion) override;
    void fetchModelName(RouterAdapter::ModelCompletion completion) override;
    void fetchAPSSHCredentials() override;

private:
    // The adapter of the stored family, for the current router address.
    RouterAdapter& adapter();

    SettingsStore& settings;
    CredentialStore& credentials;
    EventLogger& logger;
    const GatewaySource& gateways;
    QThreadPool pool;
    ChildProcesses sshChildren;
    RouterAccess access;
    RouterTypeDetector detector;
    GlinetAdapter glinet;
    UniFiAdapter uniFi;
    PeplinkAdapter peplink;
    // The router address the adapters' sessions were made for.
    QString sessionAddress;
};

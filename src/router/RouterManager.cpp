#include "router/RouterManager.h"

#include "logs/EventLogger.h"
#include "router/RouterFamily.h"
#include "router/identity/IdentityChangedMessage.h"
#include "router/identity/RouterIdentityStore.h"
#include "router/keyring/RouterPassword.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <utility>

namespace {

// Keyring reads and ssh commands of two targets and a health probe may all wait
// at once; more would only queue behind a router that answers slowly anyway.
constexpr int backgroundThreads = 4;
// Ended children let their work return within milliseconds.
constexpr std::chrono::seconds endingDeadline(1);

} // namespace

RouterManager::RouterManager(SettingsStore& settings, CredentialStore& credentials, EventLogger& logger,
                             const GatewaySource& gateways, QString sshDirectory)
    : settings(settings)
    , credentials(credentials)
    , logger(logger)
    , gateways(gateways)
    , access{settings,
             credentials,
             logger,
             pool,
             sshChildren,
             [this] { return routerAddress(); },
             [this](const QString& address) { return isOnLocalSubnet(address); },
             std::move(sshDirectory)}
    , glinet(access)
    , uniFi(access)
    , peplink(access) {
    pool.setMaxThreadCount(backgroundThreads);
}

RouterManager::~RouterManager() {
    if (!endBackgroundWork(endingDeadline))
        pool.waitForDone();
}

bool RouterManager::endBackgroundWork(std::chrono::milliseconds deadline) {
    sshChildren.endAll();
    pool.clear();
    return pool.waitForDone(static_cast<int>(deadline.count()));
}

QString RouterManager::routerAddress() const {
    const QString configured = settings.readString(SettingsKey::routerIP).value_or(QString()).trimmed();
    if (!configured.isEmpty())
        return configured;
    return defaultGateways(gateways.gatewayLines()).constFirst();
}

QString RouterManager::routerPassword() const {
    return readRouterPassword(credentials, routerAddress());
}

void RouterManager::fetchClient(const QString& targetMAC, ClientCompletion completion) {
    adapter().fetchClient(targetMAC, std::move(completion));
}

void RouterManager::fetchSettledClient(const QString& targetMAC, ClientCompletion completion) {
    adapter().fetchSettledClient(targetMAC, std::move(completion));
}

void RouterManager::probeRouterHealth(HealthCompletion completion) {
    adapter().probeRouterHealth(std::move(completion));
}

void RouterManager::resetSession() {
    glinet.resetSession();
    uniFi.resetSession();
    peplink.resetSession();
}

void RouterManager::disconnect() {
    logger.logInfo(VtCode::transportClosed, QString());
    adapter().disconnect();
    resetSession();
}

QList<GatewayOption> RouterManager::gatewayOptions() {
    return ::gatewayOptions(gateways.gatewayLines(), gateways.wifiInterfaces(),
                            [this](const QString& name) { return gateways.linkSpeed(name); });
}

bool RouterManager::isGatewayOnWiFi(const QString& address) {
    return ::isGatewayOnWiFi(address, gateways.gatewayLines(), gateways.wifiInterfaces());
}

std::optional<QString> RouterManager::loginRefusal() {
    return adapter().loginRefusal();
}

bool RouterManager::isOnLocalSubnet(const QString& address) const {
    return ::isOnLocalSubnet(address, gateways.interfaceAddresses());
}

void RouterManager::detectRouterType(const QString& address, DetectionCompletion completion) {
    detector.detectRouterType(address, [this, address,
                                        completion = std::move(completion)](const QString& family) {
        const std::optional<RouterRecord> record =
            RouterIdentityStore::beside(settings).standing(address).record;
        if (!record || family == RouterFamily::unknown || family == record->family)
            return completion({.family = family});
        logger.logError(VtCode::authRejected,
                        QStringLiteral("family-changed %1 %2 was %3").arg(address, family, record->family));
        completion({.family = family, .refusal = familyChangedMessage(address)});
    });
}

void RouterManager::connect(RouterAdapter::ConnectCompletion completion) {
    adapter().connect(std::move(completion));
}

void RouterManager::fetchClients(RouterAdapter::ClientsCompletion completion) {
    adapter().fetchClients(std::move(completion));
}

void RouterManager::fetchModelName(RouterAdapter::ModelCompletion completion) {
    adapter().fetchModelName(std::move(completion));
}

void RouterManager::fetchAPSSHCredentials() {
    if (settings.readString(SettingsKey::detectedRouterType) == RouterFamily::unifi)
        uniFi.fetchAPSSHCredentials();
}

RouterAdapter& RouterManager::adapter() {
    // Sessions, ssh masters and tokens belong to one router. When the address
    // moves under them (routerIP edited, or the gateway it falls back to
    // changed) the old connection is closed before anything goes to the new
    // one: no session id or ssh command may reach the wrong router.
    const QString address = routerAddress();
    if (const QString previous = std::exchange(sessionAddress, address);
        previous != address && !previous.isEmpty())
        disconnect();
    const QString family = settings.readString(SettingsKey::detectedRouterType).value_or(QString());
    if (family == RouterFamily::unifi)
        return uniFi;
    if (family == RouterFamily::peplink)
        return peplink;
    return glinet;
}

#include "app/RouterConnectionFlow.h"

#include "app/ConnectedRouter.h"
#include "logs/SessionLog.h"
#include "router/BackgroundTask.h"
#include "router/RouterConnector.h"
#include "router/RouterFamily.h"
#include "router/RouterService.h"
#include "router/identity/IdentityChangedMessage.h"
#include "router/identity/RouterIdentityStore.h"
#include "router/keyring/CredentialStore.h"
#include "router/keyring/RouterCredentials.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QPointer>
#include <algorithm>
#include <utility>

RouterConnectionFlow::RouterConnectionFlow(SettingsStore& settings, CredentialStore& credentials,
                                           RouterConnector& connector, RouterService& router,
                                           SessionLog& sessionLog, Detection detection, QObject* parent)
    : QObject(parent)
    , settings(settings)
    , credentials(credentials)
    , connector(connector)
    , router(router)
    , sessionLog(sessionLog)
    , detection(std::move(detection)) {
    // One keyring call at a time keeps a save and its read-back in order with
    // a password load for the same account.
    keyringPool.setMaxThreadCount(1);
    NotificationCenter& center = NotificationCenter::shared();
    center.observe(NotificationName::routerBecameUnreachable, this, [this](std::optional<bool>) {
        if (state == ConnectionState::connected)
            setState(ConnectionState::lost);
    });
    center.observe(NotificationName::routerRecovered, this,
                   [this](std::optional<bool>) { setState(ConnectionState::connected); });
    // The gateways moved; the network-change check may move `routerIP` a second later.
    center.observe(NotificationName::networkGatewayChanged, this, [this](std::optional<bool>) {
        gateways = this->router.gatewayOptions();
        Q_EMIT changed();
    });
}

RouterConnectionFlow::~RouterConnectionFlow() = default;

bool RouterConnectionFlow::isBusy() const {
    return pressAfterDetection || saving || state == ConnectionState::connecting;
}

QString RouterConnectionFlow::routerIP() const {
    // Trimmed as the router manager trims it: the keyring account and the
    // identities must be those the adapters use.
    return settings.readString(SettingsKey::routerIP).value_or(QString()).trimmed();
}

QString RouterConnectionFlow::family() const {
    return settings.readString(SettingsKey::detectedRouterType).value_or(QString());
}

void RouterConnectionFlow::appear() {
    const bool connected = settings.readBool(SettingsKey::routerConnected);
    if (connected)
        takeConnection();
    else if (state == ConnectionState::connected || state == ConnectionState::lost)
        // Dropped while the window was hidden (a network change, the command line).
        state = ConnectionState::disconnected;
    gateways = router.gatewayOptions();
    const QString address = routerIP();
    const bool isGateway = std::any_of(gateways.cbegin(), gateways.cend(),
                                       [&](const GatewayOption& option) { return option.ip == address; });
    // A router off the default route (a camera network used only for its own
    // addresses, a controller beside the gateway) is still the user's router.
    if (address.isEmpty() || (!connected && !isGateway && !router.isOnLocalSubnet(address))) {
        const QString replacement = gateways.isEmpty() ? QString() : gateways.constFirst().ip;
        if (replacement != address) {
            setRouterIP(replacement);
            return;
        }
    }
    shownAddress = address;
    loadPassword();
    if (state != ConnectionState::connected)
        detect();
    Q_EMIT changed();
}

void RouterConnectionFlow::follow() {
    const bool connected = settings.readBool(SettingsKey::routerConnected);
    bool moved = false;
    if (routerIP() != shownAddress) {
        // Whoever moved the address owns the connection there: nothing is
        // disconnected, but nothing of the old address carries over either.
        ++addressGeneration;
        shownAddress = routerIP();
        leaveAddress();
        loadPassword();
        if (!connected)
            detect();
        moved = true;
    }
    if (connected && (state == ConnectionState::disconnected || state == ConnectionState::failed)) {
        takeConnection();
        moved = true;
    } else if (!connected && (state == ConnectionState::connected || state == ConnectionState::lost)) {
        state = ConnectionState::disconnected;
        moved = true;
    }
    if (moved)
        Q_EMIT changed();
}

void RouterConnectionFlow::takeConnection() {
    state = ConnectionState::connected;
    error.clear();
    unencrypted = speaksPlainHttp();
}

void RouterConnectionFlow::setRouterIP(const QString& address) {
    settings.writeString(SettingsKey::routerIP, address);
    addressChanged();
}

void RouterConnectionFlow::addressChanged() {
    ++addressGeneration;
    shownAddress = routerIP();
    leaveAddress();
    if (state == ConnectionState::connected)
        disconnectRouter();
    loadPassword();
    detect();
    Q_EMIT changed();
}

void RouterConnectionFlow::leaveAddress() {
    // A press waiting on the old address's detection is over.
    pressAfterDetection = false;
    changedIdentity = false;
    if (state == ConnectionState::connecting) {
        // Nobody logs in to the new address by this login; its answer is dropped.
        router.disconnect();
        state = ConnectionState::disconnected;
    }
    // Typed for the old router: it must never be saved under the new one's account.
    ++passwordGeneration;
    password.clear();
    typedFor.reset();
}

void RouterConnectionFlow::setLocalPassword(const QString& text) {
    // What the user typed wins over a stored password still on its way.
    ++passwordGeneration;
    password = text;
    typedFor = routerIP();
}

void RouterConnectionFlow::loadPassword() {
    const QString account = RouterCredentials::accountFor(routerIP());
    runInBackground(
        keyringPool, this, [&store = credentials, account] { return store.readPassword(account); },
        [this, generation = ++passwordGeneration](const PasswordRead& read) {
            if (generation != passwordGeneration)
                return;
            password = read.value.value_or(QString());
            Q_EMIT changed();
        });
}

void RouterConnectionFlow::detect() {
    const QString address = routerIP();
    if (address.isEmpty()) {
        detecting = false;
        return;
    }
    detecting = true;
    detection(address, [self = QPointer(this), generation = addressGeneration](const RouterDetection& found) {
        if (self && generation == self->addressGeneration)
            self->detectionAnswered(found);
    });
}

void RouterConnectionFlow::detectionAnswered(const RouterDetection& detection) {
    detecting = false;
    if (detection.refusal) {
        // Whoever answers there now is not sent the password, nor stored as the router.
        pressAfterDetection = false;
        changedIdentity = true;
        fail(*detection.refusal);
        return;
    }
    ConnectedRouter::storeDetectedFamily(settings, routerIP(), detection.family);
    if (std::exchange(pressAfterDetection, false)) {
        if (SettingsSchema::routerTypes.contains(detection.family)) {
            press();
            return;
        }
        fail(QStringLiteral("Router type not recognized \u2014 check IP and try again"));
        return;
    }
    Q_EMIT changed();
}

void RouterConnectionFlow::press() {
    if (isBusy())
        return;
    if (state == ConnectionState::connected) {
        disconnectRouter();
        detect();
        Q_EMIT changed();
        return;
    }
    if (!SettingsSchema::routerTypes.contains(family())) {
        if (routerIP().isEmpty()) {
            fail(QStringLiteral("Router type not recognized \u2014 check IP and try again"));
            return;
        }
        pressAfterDetection = true;
        // Detection the window started already answers this press too.
        if (!detecting)
            detect();
        Q_EMIT changed();
        return;
    }
    if (state == ConnectionState::lost)
        router.disconnect();
    saveAndLogIn();
}

void RouterConnectionFlow::disconnectRouter() {
    sessionLog.logRouterDisconnected(settings.readString(SettingsKey::detectedModelName).value_or(QString()),
                                     routerIP());
    router.disconnect();
    settings.writeBool(SettingsKey::routerConnected, false);
    settings.writeBool(SettingsKey::routerAutoReconnect, false);
    NotificationCenter::shared().post(NotificationName::veltranoDisconnect);
    state = ConnectionState::disconnected;
}

void RouterConnectionFlow::saveAndLogIn() {
    // A password shown as it was loaded is not written back: the keyring may
    // hold a newer one (`veltrano-cli password set`), which the login reads.
    if (typedFor != routerIP()) {
        logIn();
        return;
    }
    saving = true;
    Q_EMIT changed();
    runInBackground(
        keyringPool, this,
        [&store = credentials, text = password, account = RouterCredentials::accountFor(routerIP())] {
            return RouterCredentials::saveAndVerify(store, text, account);
        },
        [this, generation = addressGeneration](const std::optional<QString>& failure) {
            saving = false;
            if (generation != addressGeneration) {
                Q_EMIT changed();
                return;
            }
            if (failure) {
                fail(*failure);
                return;
            }
            typedFor.reset();
            logIn();
        });
}

void RouterConnectionFlow::logIn() {
    changedIdentity = false;
    setState(ConnectionState::connecting);
    settings.writeBool(SettingsKey::routerConnected, false);
    router.resetSession();
    connector.connect([self = QPointer(this),
                       generation = addressGeneration](bool success, const std::optional<QString>& message) {
        // A login whose address changed meanwhile connects nobody.
        if (self && generation == self->addressGeneration)
            self->loggedIn(success, message);
    });
}

void RouterConnectionFlow::loggedIn(bool success, const std::optional<QString>& message) {
    settings.writeBool(SettingsKey::routerConnected, success);
    settings.writeBool(SettingsKey::routerAutoReconnect, success);
    if (!success) {
        changedIdentity = message && isIdentityRefusal(*message, routerIP());
        fail(message.value_or(QStringLiteral("Connection failed \u2014 check credentials and try again")));
        return;
    }
    error.clear();
    unencrypted = speaksPlainHttp();
    setState(ConnectionState::connected);
    // The model name arrives after the connection: the window shows it then.
    ConnectedRouter::learnAfterLogin(settings, connector, router, sessionLog, this,
                                     [this] { Q_EMIT changed(); });
}

bool RouterConnectionFlow::speaksPlainHttp() const {
    const std::optional<RouterRecord> record =
        RouterIdentityStore::beside(settings).standing(routerIP()).record;
    return record && record->scheme == QStringLiteral("http");
}

void RouterConnectionFlow::forgetRouterIdentity() {
    ConnectedRouter::forgetIdentity(settings, routerIP());
    changedIdentity = false;
    Q_EMIT changed();
}

void RouterConnectionFlow::endForUninstall() {
    if (state != ConnectionState::connected && state != ConnectionState::lost)
        return;
    router.disconnect();
    NotificationCenter::shared().post(NotificationName::veltranoDisconnect);
}

bool RouterConnectionFlow::endBackgroundWork(std::chrono::milliseconds deadline) {
    keyringPool.clear();
    return keyringPool.waitForDone(static_cast<int>(deadline.count()));
}

void RouterConnectionFlow::fail(const QString& message) {
    error = message;
    setState(ConnectionState::failed);
}

void RouterConnectionFlow::setState(ConnectionState next) {
    state = next;
    Q_EMIT changed();
}

#include "monitor/NetworkChangeWatcher.h"

#include "platform/NetworkEventSource.h"
#include "router/RouterService.h"
#include "settings/NotificationCenter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <algorithm>

using namespace std::chrono_literals;

namespace {

// One association or address change sends a dozen events within a second.
constexpr auto settleTime = 1000ms;

} // namespace

NetworkChangeWatcher::NetworkChangeWatcher(SettingsStore& settings, RouterService& router,
                                           NetworkEventSource& events, QObject* parent)
    : QObject(parent)
    , settings(settings)
    , router(router)
    , events(events) {
    networkChangeTimer.setSingleShot(true);
    networkChangeTimer.setInterval(settleTime);
    connect(&networkChangeTimer, &QTimer::timeout, this, &NetworkChangeWatcher::checkNetworkChange);
    start();
}

void NetworkChangeWatcher::start() {
    if (!eventConnection)
        eventConnection = connect(&events, &NetworkEventSource::networkChanged, this,
                                  &NetworkChangeWatcher::handleNetworkEvent);
}

void NetworkChangeWatcher::stop() {
    disconnect(eventConnection);
    eventConnection = {};
    networkChangeTimer.stop();
}

void NetworkChangeWatcher::handleNetworkEvent() {
    scheduleNetworkCheck();
    // Queued, so observers run after this event has been taken in.
    QMetaObject::invokeMethod(
        this, [] { NotificationCenter::shared().post(NotificationName::networkGatewayChanged); },
        Qt::QueuedConnection);
}

void NetworkChangeWatcher::scheduleNetworkCheck() {
    networkChangeTimer.start();
}

void NetworkChangeWatcher::checkNetworkChange() {
    const QString routerIP = settings.readString(SettingsKey::routerIP).value_or(QString());
    if (routerIP.isEmpty())
        return;
    const QList<GatewayOption> options = router.gatewayOptions();
    // A router still on one of this computer's networks has not been left,
    // whether or not it is a default route.
    if (router.isOnLocalSubnet(routerIP) ||
        std::any_of(options.begin(), options.end(),
                    [&routerIP](const GatewayOption& option) { return option.ip == routerIP; }))
        return;

    if (settings.readBool(SettingsKey::routerConnected)) {
        settings.writeBool(SettingsKey::routerConnected, false);
        router.disconnect();
        NotificationCenter::shared().post(NotificationName::veltranoDisconnect);
    }
    const auto onWiFi = std::find_if(options.begin(), options.end(), [this](const GatewayOption& option) {
        return router.isGatewayOnWiFi(option.ip);
    });
    // Without a Wi-Fi gateway the old address stays: the user may come back.
    if (onWiFi != options.end())
        settings.writeString(SettingsKey::routerIP, onWiFi->ip);
}

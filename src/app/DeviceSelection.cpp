#include "app/DeviceSelection.h"

#include "router/ClientListSource.h"
#include "router/DeviceNameRegistry.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QPointer>

DeviceSelection::DeviceSelection(SettingsStore& settings, DeviceNameRegistry& names,
                                 ClientListSource& clients, QObject* parent)
    : QObject(parent)
    , settings(settings)
    , names(names)
    , clients(clients) {}

bool DeviceSelection::fetchClients(ChoicesCompletion completion) {
    if (fetching)
        return false;
    fetching = true;
    slot = nextFreeSlot();
    if (!settings.readBool(SettingsKey::routerConnected)) {
        QMetaObject::invokeMethod(
            this,
            [this, completion = std::move(completion)] {
                fetching = false;
                completion({.clients = {}, .failure = QStringLiteral("Connect to the router first")});
            },
            Qt::QueuedConnection);
        return true;
    }
    clients.fetchClients(
        [self = QPointer(this), completion = std::move(completion)](std::optional<QList<RouterClient>> rows) {
            if (!self)
                return;
            self->fetching = false;
            if (!rows)
                // A refused password says so in the adapter's words; anything else is silence.
                completion({.clients = {},
                            .failure = self->clients.loginRefusal().value_or(
                                QStringLiteral("The router did not answer \u2014 try again"))});
            else
                completion(self->choicesAmong(*rows));
        });
    return true;
}

void DeviceSelection::select(const RouterClient& row) {
    const QString name = displayName(row, settings);
    if (slot) {
        settings.writeString(slotMACKey(*slot), row.mac);
        settings.writeString(slotNameKey(*slot), name);
    }
    names.setName(row.mac, name);
    slot.reset();
}

std::optional<TargetSlot> DeviceSelection::nextFreeSlot() const {
    if (!isSlotConfigured(TargetSlot::a, settings))
        return TargetSlot::a;
    const bool routerMode =
        settings.readString(SettingsKey::monitoringMode).value_or(QStringLiteral("router")) ==
        QStringLiteral("router");
    if (routerMode && !isSlotConfigured(TargetSlot::b, settings))
        return TargetSlot::b;
    return std::nullopt;
}

DeviceChoices DeviceSelection::choicesAmong(const QList<RouterClient>& rows) const {
    DeviceChoices choices;
    for (const RouterClient& row : rows) {
        if (row.iface == QStringLiteral("cable"))
            continue;
        if (clients.isOnLocalSubnet(row.ip))
            choices.clients.append(row);
        else
            ++choices.onOtherNetworks;
    }
    return choices;
}

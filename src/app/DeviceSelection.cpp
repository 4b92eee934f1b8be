#include "app/DeviceSelection.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "router/ClientListSource.h"
#include "router/DeviceNameRegistry.h"

#include <QPointer>

DeviceSelection::DeviceSelection(SettingsStore& settings, DeviceNameRegistry& names,
                                 ClientListSource& clients, QObject* parent)
    : QObject(parent)
    , settings(settings)
    , names(names)
    , clients(clients) {}

bool DeviceSelection::fetchClients(ClientsCompletion completion) {
    if (fetching)
        return false;
    fetching = true;
    slot = nextFreeSlot();
    clients.fetchClients(
        [self = QPointer(this), completion = std::move(completion)](QList<RouterClient> rows) {
            if (!self)
                return;
            self->fetching = false;
            completion(self->wirelessClientsOnLocalSubnets(rows));
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

QList<RouterClient> DeviceSelection::wirelessClientsOnLocalSubnets(const QList<RouterClient>& rows) const {
    QList<RouterClient> wireless;
    for (const RouterClient& row : rows)
        if (row.iface != QStringLiteral("cable") && clients.isOnLocalSubnet(row.ip))
            wireless.append(row);
    return wireless;
}

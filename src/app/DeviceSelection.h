#pragma once

#include "monitor/TargetSlot.h"
#include "router/RouterClient.h"

#include <QList>
#include <QObject>
#include <functional>
#include <optional>

class ClientListSource;
class DeviceNameRegistry;
class SettingsStore;

// "Select Device" without its widgets: which slot a choice fills, the client
// rows the picker offers, and what a choice writes. The monitor reads the slot
// keys at its next poll, so nothing is posted.
//
// Main thread only.
class DeviceSelection : public QObject {
    Q_OBJECT
public:
    using ClientsCompletion = std::function<void(QList<RouterClient>)>;

    DeviceSelection(SettingsStore& settings, DeviceNameRegistry& names, ClientListSource& clients,
                    QObject* parent = nullptr);

    // The slot the open picker fills; none when both usable slots are taken.
    std::optional<TargetSlot> pickerSlot() const { return slot; }

    // Chooses the slot and asks the router for its clients; `completion` gets
    // the wireless rows on this computer's subnets, in the router's order, and
    // is dropped when this object is gone first. False, starting nothing, while
    // an earlier list is still coming.
    bool fetchClients(ClientsCompletion completion);
    // Stores the row as the picker slot's target and its name in the registry
    // (the name even when no slot is free).
    void select(const RouterClient& row);

private:
    std::optional<TargetSlot> nextFreeSlot() const;
    QList<RouterClient> wirelessClientsOnLocalSubnets(const QList<RouterClient>& rows) const;

    SettingsStore& settings;
    DeviceNameRegistry& names;
    ClientListSource& clients;
    std::optional<TargetSlot> slot;
    bool fetching = false;
};

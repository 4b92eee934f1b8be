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

// What "Select Device" found: the rows to offer, or why there are none.
struct DeviceChoices {
    QList<RouterClient> clients;
    // Why no list came; none when the router answered one.
    std::optional<QString> failure;
    // Wireless clients the router listed on networks this computer is not on.
    qsizetype onOtherNetworks = 0;
};

// "Select Device" without its widgets: which slot a choice fills, the client
// rows the picker offers, and what a choice writes. The monitor reads the slot
// keys at its next poll, so nothing is posted.
//
// Main thread only.
class DeviceSelection : public QObject {
    Q_OBJECT
public:
    using ChoicesCompletion = std::function<void(DeviceChoices)>;

    DeviceSelection(SettingsStore& settings, DeviceNameRegistry& names, ClientListSource& clients,
                    QObject* parent = nullptr);

    // The slot the open picker fills; none when both usable slots are taken.
    std::optional<TargetSlot> pickerSlot() const { return slot; }

    // Chooses the slot and asks the router for its clients; `completion` gets
    // the wireless rows on this computer's subnets, in the router's order, later
    // (without a connection, at once but not inside this call), and is dropped
    // when this object is gone first. False, starting nothing, while an earlier
    // list is still coming.
    bool fetchClients(ChoicesCompletion completion);
    // Stores the row as the picker slot's target and its name in the registry
    // (the name even when no slot is free).
    void select(const RouterClient& row);

private:
    std::optional<TargetSlot> nextFreeSlot() const;
    DeviceChoices choicesAmong(const QList<RouterClient>& rows) const;

    SettingsStore& settings;
    DeviceNameRegistry& names;
    ClientListSource& clients;
    std::optional<TargetSlot> slot;
    bool fetching = false;
};

#pragma once

#include "monitor/RgbColour.h"
#include "monitor/TargetSlot.h"
#include "router/RouterClient.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// A row's mark that it is already a target.
struct SlotBadge {
    QString label;
    RgbColour colour;
};

// What the device picker shows and what a tap on a row does, whatever draws it.
// Made afresh for each presentation.
struct ClientPickerSheet {
    QList<RouterClient> clients;
    // Why the router gave no list; none when it answered.
    std::optional<QString> failure;
    // Wireless clients left out because this computer is not on their network.
    qsizetype onOtherNetworks = 0;
    QString targetMACA;
    QString targetMACB;
    QString labelStyle;
    std::optional<TargetSlot> pendingSlot;
    std::function<void(const RouterClient&)> onSelect;
    std::function<void()> onCancel;
    // Once set it stays until the sheet closes.
    bool showBothAssignedMessage = false;

    // What an empty list says: why no list came, or that the router listed none.
    QString emptyListText() const;
    // Empty when nobody was left out.
    QString otherNetworksNote() const;
    // Online rows first; each group keeps the router's order.
    QList<RouterClient> orderedClients() const;
    // Matched on the exact MAC text: a target stored in another case is not
    // recognised, as it is not by the router lookups either.
    std::optional<SlotBadge> badge(const RouterClient& row) const;
    // None: the palette's primary text colour.
    static std::optional<RgbColour> nameColour(const RouterClient& row);

    // A target closes the sheet unchanged; any other row fills the pending
    // slot, or raises the note when there is none.
    void tap(const RouterClient& row);
};

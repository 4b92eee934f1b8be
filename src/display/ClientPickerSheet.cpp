#include "display/ClientPickerSheet.h"

#include "router/CameraVendor.h"

#include <algorithm>

QString ClientPickerSheet::emptyListText() const {
    return failure.value_or(QStringLiteral("No wireless clients found"));
}

QString ClientPickerSheet::otherNetworksNote() const {
    if (onOtherNetworks == 0)
        return QString();
    if (onOtherNetworks == 1)
        return QStringLiteral("1 wireless client on another network is not shown");
    return QStringLiteral("%1 wireless clients on other networks are not shown").arg(onOtherNetworks);
}

QList<RouterClient> ClientPickerSheet::orderedClients() const {
    QList<RouterClient> ordered = clients;
    std::stable_partition(ordered.begin(), ordered.end(),
                          [](const RouterClient& row) { return row.isOnline; });
    return ordered;
}

std::optional<SlotBadge> ClientPickerSheet::badge(const RouterClient& row) const {
    if (row.mac == targetMACA)
        return SlotBadge{slotLabel(TargetSlot::a, labelStyle), Colour::excellentTeal};
    if (row.mac == targetMACB)
        return SlotBadge{slotLabel(TargetSlot::b, labelStyle), Colour::slotBMagenta};
    return std::nullopt;
}

std::optional<RgbColour> ClientPickerSheet::nameColour(const RouterClient& row) {
    if (cameraModelHint(row.mac))
        return Colour::veltranoBlue;
    if (row.isOnline)
        return Colour::excellentTeal;
    return std::nullopt;
}

void ClientPickerSheet::tap(const RouterClient& row) {
    if (badge(row))
        onCancel();
    else if (!pendingSlot)
        showBothAssignedMessage = true;
    else
        onSelect(row);
}

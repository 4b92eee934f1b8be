#pragma once

#include <QHashFunctions>
#include <QString>

class SettingsStore;

// Slot a is always the primary target; slot b is followed only once configured.
enum class TargetSlot { a, b };

inline size_t qHash(TargetSlot slot, size_t seed = 0) noexcept {
    return qHash(static_cast<int>(slot), seed);
}

// The settings keys holding the slot's MAC address and display name.
const QString& slotMACKey(TargetSlot slot);
const QString& slotNameKey(TargetSlot slot);

// Absent settings read as the empty string.
QString slotMAC(TargetSlot slot, const SettingsStore& store);
QString slotName(TargetSlot slot, const SettingsStore& store);

// A slot is configured once it has a MAC address.
bool isSlotConfigured(TargetSlot slot, const SettingsStore& store);

// "A"/"B", or "1"/"2" when the label style is "12".
QString slotLabel(TargetSlot slot, const QString& labelStyle);
// The same for the stored `targetLabelStyle`.
QString slotLabel(TargetSlot slot, const SettingsStore& store);

// What log lines about the slot start with. With a single target there is nothing
// to tell apart, so it is empty for both slots until slot b is configured.
QString slotDisplayPrefix(TargetSlot slot, const SettingsStore& store);

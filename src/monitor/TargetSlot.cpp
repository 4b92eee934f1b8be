#include "monitor/TargetSlot.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

const QString& slotMACKey(TargetSlot slot) {
    return slot == TargetSlot::a ? SettingsKey::targetMAC : SettingsKey::targetMAC2;
}

const QString& slotNameKey(TargetSlot slot) {
    return slot == TargetSlot::a ? SettingsKey::targetName : SettingsKey::targetName2;
}

QString slotMAC(TargetSlot slot, const SettingsStore& store) {
    return store.readString(slotMACKey(slot)).value_or(QString());
}

QString slotName(TargetSlot slot, const SettingsStore& store) {
    return store.readString(slotNameKey(slot)).value_or(QString());
}

bool isSlotConfigured(TargetSlot slot, const SettingsStore& store) {
    return !slotMAC(slot, store).isEmpty();
}

QString slotLabel(TargetSlot slot, const QString& labelStyle) {
    const bool numbered = labelStyle == QStringLiteral("12");
    if (slot == TargetSlot::a)
        return numbered ? QStringLiteral("1") : QStringLiteral("A");
    return numbered ? QStringLiteral("2") : QStringLiteral("B");
}

QString slotLabel(TargetSlot slot, const SettingsStore& store) {
    return slotLabel(slot, store.readString(SettingsKey::targetLabelStyle).value_or(QString()));
}

QString slotDisplayPrefix(TargetSlot slot, const SettingsStore& store) {
    if (!isSlotConfigured(TargetSlot::b, store))
        return {};
    const QString name = slotName(slot, store);
    return (name.isEmpty() ? slotLabel(slot, store) : name) + QStringLiteral(": ");
}

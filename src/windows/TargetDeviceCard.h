#pragma once

#include "monitor/TargetSlot.h"
#include "windows/SettingsCard.h"

class QLabel;
class QLineEdit;
class QPushButton;
class SettingsWindowActions;

// The target devices: the developer switch, device selection, and a row per
// configured slot with its label, MAC, name and "Clear". Slot b and the label
// style only exist for the router, and only once slot b has a device.
class TargetDeviceCard : public SettingsCard {
    Q_OBJECT
public:
    TargetDeviceCard(SettingsStore& settings, SettingsWindowActions& actions, QWidget* parent = nullptr);

private:
    void addSlotRow(TargetSlot slot);
};

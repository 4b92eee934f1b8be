#pragma once

#include "app/DeviceSelection.h"

#include <QWidget>

class ClientListSource;
class DeviceNameRegistry;
class QProgressBar;
class QPushButton;
class SettingsStore;

// The Target Device card's "Select Device": asks the router for its clients,
// showing progress and refusing a second press until they come, then opens the
// picker over the window it sits in.
class SelectDeviceButton : public QWidget {
    Q_OBJECT
public:
    SelectDeviceButton(SettingsStore& settings, DeviceNameRegistry& names, ClientListSource& clients,
                       QWidget* parent = nullptr);

Q_SIGNALS:
    // A choice was stored in a slot's keys.
    void targetsChanged();

private:
    void selectDevice();
    void showPicker(DeviceChoices choices);
    void setFetching(bool fetching);

    SettingsStore& settings;
    DeviceSelection* selection;
    QPushButton* button;
    QProgressBar* progress;
};

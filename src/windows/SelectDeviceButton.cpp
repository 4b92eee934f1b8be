#include "windows/SelectDeviceButton.h"

#include "app/DeviceSelection.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "windows/ClientPickerDialog.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

SelectDeviceButton::SelectDeviceButton(SettingsStore& settings, DeviceNameRegistry& names,
                                       ClientListSource& clients, QWidget* parent)
    : QWidget(parent)
    , settings(settings)
    , selection(new DeviceSelection(settings, names, clients, this)) {
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    button = new QPushButton(QStringLiteral("Select Device"));
    button->setObjectName(QStringLiteral("selectDeviceButton"));
    connect(button, &QPushButton::clicked, this, &SelectDeviceButton::selectDevice);
    line->addWidget(button);
    progress = new QProgressBar;
    progress->setObjectName(QStringLiteral("clientFetchProgress"));
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    progress->setMaximumSize(60, 8);
    progress->hide();
    line->addWidget(progress);
    line->addStretch();
}

void SelectDeviceButton::selectDevice() {
    // The selection is a child of this widget and drops the answer once it is
    // gone, so the capture cannot outlive the button.
    if (selection->fetchClients([this](DeviceChoices choices) { showPicker(std::move(choices)); }))
        setFetching(true);
}

void SelectDeviceButton::showPicker(DeviceChoices choices) {
    setFetching(false);
    ClientPickerSheet sheet;
    sheet.clients = std::move(choices.clients);
    sheet.failure = std::move(choices.failure);
    sheet.onOtherNetworks = choices.onOtherNetworks;
    sheet.targetMACA = slotMAC(TargetSlot::a, settings);
    sheet.targetMACB = slotMAC(TargetSlot::b, settings);
    sheet.labelStyle = settings.readString(SettingsKey::targetLabelStyle).value_or(QStringLiteral("AB"));
    sheet.pendingSlot = selection->pickerSlot();
    auto* picker = new ClientPickerDialog(std::move(sheet), settings, window());
    connect(picker, &ClientPickerDialog::deviceChosen, this, [this](const RouterClient& row) {
        selection->select(row);
        Q_EMIT targetsChanged();
    });
    picker->open();
}

void SelectDeviceButton::setFetching(bool fetching) {
    button->setEnabled(!fetching);
    progress->setVisible(fetching);
}

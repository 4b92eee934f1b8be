#include "windows/TargetDeviceCard.h"

#include "app/SettingsWindowActions.h"
#include "display/QtColour.h"
#include "router/DeviceNameRegistry.h"
#include "router/RouterFamily.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"
#include "windows/DeferredTextWrite.h"
#include "windows/SelectDeviceButton.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString slotObjectName(const QString& role, TargetSlot slot) {
    return role + (slot == TargetSlot::a ? QStringLiteral("A") : QStringLiteral("B"));
}

} // namespace

TargetDeviceCard::TargetDeviceCard(SettingsStore& settings, SettingsWindowActions& actions, QWidget* parent)
    : SettingsCard(QStringLiteral("Target Device"), QStringLiteral("camera"), settings, parent) {
    addSwitch(QStringLiteral("Developer"), SettingsKey::showDev);
    auto* wiredNote = new QLabel(QStringLiteral("Wi-Fi clients only \u2014 wired devices are not listed."));
    wiredNote->setWordWrap(true);
    wiredNote->setStyleSheet(QStringLiteral("color: %1;").arg(toQColor(Colour::secondaryLabel).name()));
    body()->addWidget(wiredNote);

    auto* selectDevice = new SelectDeviceButton(settings, DeviceNameRegistry::shared(), actions.clientList());
    body()->addWidget(selectDevice);
    connect(selectDevice, &SelectDeviceButton::targetsChanged, this, &SettingsCard::edited);
    auto* resetStats = new QPushButton(QStringLiteral("Reset Bandwidth Stats"));
    resetStats->setObjectName(QStringLiteral("resetBandwidthStats"));
    body()->addWidget(resetStats);
    connect(resetStats, &QPushButton::clicked, this, [&actions] { actions.resetAllBandwidthStats(); });

    addSlotRow(TargetSlot::a);
    addSlotRow(TargetSlot::b);
    QWidget* labelStyle = addPicker(QStringLiteral("Label Style"), SettingsKey::targetLabelStyle,
                                    SettingsSchema::labelStyles, SettingsSchema::labelStyleLabels)
                              ->parentWidget();
    onReload([this, wiredNote, resetStats, labelStyle] {
        wiredNote->setVisible(stringSetting(SettingsKey::detectedRouterType) == RouterFamily::unifi);
        resetStats->setVisible(boolSetting(SettingsKey::showDev));
        labelStyle->setVisible(stringSetting(SettingsKey::monitoringMode) == QStringLiteral("router") &&
                               !stringSetting(SettingsKey::targetMAC2).isEmpty());
    });
}

void TargetDeviceCard::addSlotRow(TargetSlot slot) {
    auto* row = new QWidget;
    row->setObjectName(slotObjectName(QStringLiteral("slotRow"), slot));
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel;
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    auto* mac = new QLabel;
    // As the router reported it.
    mac->setTextFormat(Qt::PlainText);
    mac->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* name = new QLineEdit;
    name->setObjectName(slotNameKey(slot));
    name->setPlaceholderText(QStringLiteral("optional (eg John's R5ii)"));
    auto* clear = new QPushButton(QStringLiteral("Clear"));
    clear->setObjectName(slotObjectName(QStringLiteral("clear"), slot));
    grid->addWidget(label, 0, 0);
    grid->addWidget(mac, 0, 1);
    grid->addWidget(clear, 0, 2);
    grid->addWidget(name, 1, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    body()->addWidget(row);

    auto* nameWrite = new DeferredTextWrite(*name, [this, slot](const QString& text) {
        settings.writeString(slotNameKey(slot), text);
        DeviceNameRegistry(settings).setName(slotMAC(slot, settings), text);
        Q_EMIT edited();
    });
    connect(clear, &QPushButton::clicked, this, [this, slot] {
        settings.writeString(slotMACKey(slot), QString());
        settings.writeString(slotNameKey(slot), QString());
        Q_EMIT edited();
    });
    onReload([this, slot, row, label, mac, nameWrite] {
        const QString address = slotMAC(slot, settings);
        const bool routerMode = stringSetting(SettingsKey::monitoringMode) == QStringLiteral("router");
        row->setVisible(!address.isEmpty() && (slot == TargetSlot::a || routerMode));
        label->setText(slotLabel(slot, settings));
        mac->setText(address);
        nameWrite->show(slotName(slot, settings));
    });
}

#pragma once

#include <QMap>
#include <QString>

class SettingsStore;

// The user's own names for devices, keyed by upper-cased MAC and kept in the
// settings under "deviceNameRegistry". Reads at the moment of use, like every
// other setting.
class DeviceNameRegistry {
public:
    explicit DeviceNameRegistry(SettingsStore& settings);

    // Over the program's one settings store.
    static DeviceNameRegistry& shared();

    // Empty when the stored dictionary holds anything but strings.
    QMap<QString, QString> names() const;
    // Empty when the device has no name.
    QString name(const QString& mac) const;
    // An empty name forgets the device.
    void setName(const QString& mac, const QString& name);

    // The same look-up for callers that only hold a read-only store.
    static QString name(const SettingsStore& settings, const QString& mac);

private:
    SettingsStore& settings;
};

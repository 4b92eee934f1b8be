#pragma once

#include <QString>

// The NetworkManager connection profile active on a Wi-Fi interface, as far as
// the pre-flight checks read it.
struct WifiConnectionSettings {
    // The value of `802-11-wireless.powersave`.
    enum class PowerSave { byDefault = 0, ignore = 1, disable = 2, enable = 3 };

    // The settings object's D-Bus path, which a fix writes to.
    QString path;
    // The profile's `connection.id`, as `nmcli` lists it.
    QString name;
    PowerSave powerSave = PowerSave::byDefault;
    // `802-11-wireless.assigned-mac-address` ("random", "stable", "preserve",
    // "permanent" or an address); empty when the profile leaves it unset.
    QString assignedMacAddress;
    // `connection.stable-id`, from which a "stable" address is derived; with
    // "${BOOT}" in it that address changes at every boot.
    QString stableId;

    bool operator==(const WifiConnectionSettings&) const = default;
};

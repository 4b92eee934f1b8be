#include "router/RouterClient.h"

#include "router/CameraVendor.h"
#include "router/DeviceNameRegistry.h"

QString displayName(const RouterClient& row, const SettingsStore& settings) {
    if (const QString userName = DeviceNameRegistry::name(settings, row.mac); !userName.isEmpty())
        return userName;
    if (!row.hostname.isEmpty())
        return row.hostname;
    if (const auto hint = cameraModelHint(row.mac)) {
        switch (*hint) {
        case CameraModelHint::r1:
            return QStringLiteral("Canon R1");
        case CameraModelHint::r5MarkII:
            return QStringLiteral("Canon R5 Mark II");
        }
    }
    return vendorForMAC(row.mac).value_or(QStringLiteral("(unknown)"));
}

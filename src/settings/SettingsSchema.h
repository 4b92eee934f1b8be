#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

enum class SettingType { boolean, integer, string, dictionary };

// What a string setting may hold beyond its allowed values, where it has such a list.
enum class TextFormat { any, ipv4AddressOrEmpty, macAddressOrEmpty };

// One key of the settings domain as the settings window and veltrano-cli see it.
struct SettingDefinition {
    QString key;
    SettingType type = SettingType::string;
    // What readers assume while the key is absent; none where absence has no stand-in.
    std::optional<QJsonValue> effectiveDefault;
    // Empty when any value of the type (and format) is accepted.
    QStringList allowedValues;
    TextFormat format = TextFormat::any;
    bool shownInSettingsWindow = false;
    // The bounds of an integer key, both included.
    int minimum = 0;
    int maximum = 0;
};

namespace SettingsSchema {

// The value lists offered by the settings window, with their labels in the same order.
inline const QStringList thresholds = {QStringLiteral("Marginal"), QStringLiteral("Critical")};
inline const QStringList iconStyles = {QStringLiteral("combo"), QStringLiteral("band"), QStringLiteral("dot"),
                                       QStringLiteral("dbm")};
inline const QStringList iconLabels = {QStringLiteral("dBm/Band"), QStringLiteral("Band"),
                                       QStringLiteral("Dot"), QStringLiteral("dBm")};
inline const QStringList modes = {QStringLiteral("router"), QStringLiteral("wifi")};
inline const QStringList modeLabels = {QStringLiteral("Router Mode"), QStringLiteral("P2P Mode")};
inline const QStringList labelStyles = {QStringLiteral("AB"), QStringLiteral("12")};
inline const QStringList labelStyleLabels = {QStringLiteral("A / B"), QStringLiteral("1 / 2")};
inline const QStringList routerTypes = {QStringLiteral("glinet"), QStringLiteral("unifi"),
                                        QStringLiteral("peplink")};

// Every key, those of the settings window first, in the window's order.
const std::vector<SettingDefinition>& definitions();
const SettingDefinition* find(const QString& key);

} // namespace SettingsSchema

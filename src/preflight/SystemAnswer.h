#pragma once

#include <QString>
#include <optional>

// What one reading of this computer's state gave: the value, or why there is
// none, worded to follow "Could not check: " (for example "NetworkManager is
// not running"), so a missing service is never mistaken for a setting.
template <typename Value> struct SystemAnswer {
    static SystemAnswer of(Value value) { return {std::move(value), {}}; }
    static SystemAnswer unreadable(const QString& why) { return {std::nullopt, why}; }

    std::optional<Value> value;
    QString whyUnreadable;
};

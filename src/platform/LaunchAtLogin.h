#pragma once

#include <QString>
#include <optional>

// Launch at login as the desktop does it: an XDG autostart entry of the program
// in $XDG_CONFIG_HOME/autostart, whose presence is the state.
namespace LaunchAtLogin {

QString entryPath();

// Writes the entry starting `executable`, or removes it. None on success,
// otherwise a short sentence for the user, also written to the log.
std::optional<QString> setLaunchAtLogin(bool enabled, const QString& executable);

// Whether an entry of ours exists and the desktop would honour it.
bool isEnabled();

} // namespace LaunchAtLogin

#pragma once

class SettingsStore;

// The settings work of every launch, split where the launch sequence puts the
// automatic router reconnection between the two.
namespace LaunchDefaults {

// A connection never survives a restart: the monitor must not poll until a
// connect flow has succeeded in this run.
void resetRouterConnected(SettingsStore& store);

// Fills the keys a first launch needs and repairs an icon style an older build
// left behind. Present keys keep their value, even a stored false or empty text.
void registerAbsentDefaults(SettingsStore& store);

} // namespace LaunchDefaults

#pragma once

#include "windows/SettingsCard.h"

class SettingsWindowActions;

// The program itself: the settings window's level, auto-connect, launch at
// login, debug logging, the running build and uninstalling.
class SystemCard : public SettingsCard {
    Q_OBJECT
public:
    SystemCard(SettingsStore& settings, SettingsWindowActions& actions, QWidget* parent = nullptr);

    // The autostart entry is the truth for "Launch at Login"; the key follows it.
    void readBackLaunchAtLogin();

private:
    void confirmUninstall();
    void uninstall();

    SettingsWindowActions& actions;
};

// "v1.2.0 beta (build 42)": the version, the build label when there is one,
// and the build number; "?" stands for a missing version or build number.
QString buildLabelText(const QString& version, const QString& label, const QString& build);

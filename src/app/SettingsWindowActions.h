#pragma once

#include "app/UninstallWipe.h"

class ClientListSource;
class ComputerChecklistModel;
class PreflightChecklistModel;
class RouterConnectionFlow;

// What the settings window asks of the running program beyond the settings
// store: the router connection it shows and the monitor's and shell's
// operations. The shell implements it. Main thread only.
class SettingsWindowActions {
public:
    virtual ~SettingsWindowActions() = default;

    virtual RouterConnectionFlow& connectionFlow() = 0;
    // The router's client list behind "Select Device".
    virtual ClientListSource& clientList() = 0;
    // The pre-flight checklist; it keeps its statuses while the window is closed.
    virtual PreflightChecklistModel& preflightModel() = 0;
    // The checks of this computer and its Wi-Fi, listed in the same window.
    virtual ComputerChecklistModel& computerChecks() = 0;
    virtual void snoozeAll(int minutes) = 0;
    virtual void resetAllBandwidthStats() = 0;
    // Everything the program keeps about the user.
    virtual UninstallWipe::Report wipeAllData() = 0;
    virtual void quitApplication() = 0;
};

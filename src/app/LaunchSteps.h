#pragma once

#include "app/WhatsNewEntry.h"

// The launch steps that need the desktop or the router; AppDelegate runs them in
// their order between its own settings and log steps.
class LaunchSteps {
public:
    virtual ~LaunchSteps() = default;

    virtual void showSplash() = 0;
    // The legacy password move and both credential migrations; whether the
    // first migration had already run, i.e. whether the program ran before.
    virtual bool runCredentialMigrations() = 0;
    virtual void autoConnect() = 0;
    virtual void startUpdater() = 0;
    virtual void showStatusItem() = 0;
    virtual void startMonitor() = 0;
    // "FloatingWindowToggled", "FloatingWindowOnTopToggled" and
    // "SettingsWindowOnTopToggled".
    virtual void installObservers() = 0;
    virtual void showFloatingWindow() = 0;
    // The floating window follows the signal state between single and split.
    virtual void subscribeSplitResize() = 0;
    virtual void showWhatsNew(const QList<WhatsNewEntry>& entries) = 0;
};

#pragma once

#include "app/WhatsNewEntry.h"

class QMenu;
class SettingsWindowActions;

// The windows the shell shows and owns: each is created on first use and hidden,
// never destroyed, when closed. Main thread only.
class ShellWindows {
public:
    virtual ~ShellWindows() = default;

    virtual void showSplash() = 0;
    virtual void showWhatsNew(const QList<WhatsNewEntry>& entries) = 0;
    virtual void showFloatingWindow() = 0;
    virtual void hideFloatingWindow() = 0;
    virtual void setFloatingWindowOnTop(bool onTop) = 0;
    virtual void setSettingsWindowOnTop(bool onTop) = 0;
    // Whether the signal state has a second colour; called only when that changes.
    virtual void floatingSplitChanged(bool split) = 0;
    // Without a tray host the floating window carries the tray's menu.
    virtual void setFloatingContextMenu(QMenu* menu) = 0;
    // A few words after the floating window's title, for as long as the run
    // lasts: why the window is the way in.
    virtual void setFloatingWindowNote(const QString& note) = 0;
    virtual void openSessionLog() = 0;
    virtual void openDebugLog() = 0;
    virtual void openSignalHistory() = 0;
    // "Veltrano Settings", made on first use over `actions`.
    virtual void openPreferences(SettingsWindowActions& actions) = 0;
    // Before Qt closes every window on quit, so that no window takes that for
    // the user's close and writes it down.
    virtual void closeForQuit() = 0;
};

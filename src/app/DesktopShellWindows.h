#pragma once

#include "app/ShellWindows.h"

#include <memory>

class DebugLog;
class DebugLogWindow;
class FloatingSignalState;
class FloatingSignalWindow;
class HistorySource;
class QWidget;
class SessionLog;
class SessionLogWindow;
class SettingsStore;
class SettingsWindow;
class SignalHistoryWindow;
class SplashWindow;
class WhatsNewWindow;

// The shell's windows on a Linux desktop. Each is made on first use and kept
// for the run; the owner keeps this object alive as long as the shell. In
// demo mode every title says so: the demo may run beside the user's own copy.
class DesktopShellWindows : public ShellWindows {
public:
    DesktopShellWindows(SettingsStore& settings, FloatingSignalState& signalState, SessionLog& sessionLog,
                        DebugLog& debugLog, HistorySource& history, bool demo);
    ~DesktopShellWindows() override;

    void showSplash() override;
    void showWhatsNew(const QList<WhatsNewEntry>& entries) override;
    void showFloatingWindow() override;
    void hideFloatingWindow() override;
    void setFloatingWindowOnTop(bool onTop) override;
    void setSettingsWindowOnTop(bool onTop) override;
    void floatingSplitChanged(bool split) override;
    void setFloatingContextMenu(QMenu* menu) override;
    void setFloatingWindowNote(const QString& note) override;
    void openSessionLog() override;
    void openDebugLog() override;
    void openSignalHistory() override;
    void openPreferences(SettingsWindowActions& actions) override;
    void closeForQuit() override;

private:
    FloatingSignalWindow& floatingWindow();
    void label(QWidget& window) const;

    SettingsStore& settings;
    FloatingSignalState& signalState;
    SessionLog& sessionLog;
    DebugLog& debugLog;
    HistorySource& history;
    const bool demo;
    // Top-level windows: a user's "close" only hides them.
    std::unique_ptr<SplashWindow> splash;
    std::unique_ptr<FloatingSignalWindow> floating;
    std::unique_ptr<WhatsNewWindow> whatsNew;
    std::unique_ptr<SessionLogWindow> sessionLogWindow;
    std::unique_ptr<DebugLogWindow> debugLogWindow;
    std::unique_ptr<SignalHistoryWindow> signalHistoryWindow;
    std::unique_ptr<SettingsWindow> settingsWindow;
};

#include "app/DesktopShellWindows.h"

#include "app/DemoProfile.h"
#include "logs/HistoryReport.h"
#include "settings/SettingsStore.h"
#include "windows/DebugLogWindow.h"
#include "windows/FloatingSignalWindow.h"
#include "windows/SessionLogWindow.h"
#include "windows/SettingsWindow.h"
#include "windows/SignalHistoryWindow.h"
#include "windows/SplashWindow.h"
#include "windows/WhatsNewWindow.h"

DesktopShellWindows::DesktopShellWindows(SettingsStore& settings, FloatingSignalState& signalState,
                                         SessionLog& sessionLog, DebugLog& debugLog, HistorySource& history,
                                         bool demoMode)
    : settings(settings)
    , signalState(signalState)
    , sessionLog(sessionLog)
    , debugLog(debugLog)
    , history(history)
    , demo(demoMode) {}

DesktopShellWindows::~DesktopShellWindows() = default;

void DesktopShellWindows::showSplash() {
    if (!splash)
        splash = std::make_unique<SplashWindow>();
    if (splash->hasImage())
        splash->present();
}

void DesktopShellWindows::showWhatsNew(const QList<WhatsNewEntry>& entries) {
    if (!whatsNew)
        whatsNew = std::make_unique<WhatsNewWindow>();
    whatsNew->present(entries);
}

FloatingSignalWindow& DesktopShellWindows::floatingWindow() {
    if (!floating) {
        floating = std::make_unique<FloatingSignalWindow>(signalState, settings);
        label(*floating);
    }
    return *floating;
}

void DesktopShellWindows::showFloatingWindow() {
    // Beside the settings window when there is one.
    floatingWindow().present(settingsWindow ? std::optional(settingsWindow->frameGeometry()) : std::nullopt);
}

void DesktopShellWindows::hideFloatingWindow() {
    if (floating)
        floating->hide();
}

void DesktopShellWindows::setFloatingWindowOnTop(bool onTop) {
    // A window made later reads the setting itself.
    if (floating)
        floating->setKeepOnTop(onTop);
}

void DesktopShellWindows::setSettingsWindowOnTop(bool onTop) {
    // A window made later reads the setting itself.
    if (settingsWindow)
        settingsWindow->setKeepOnTop(onTop);
}

void DesktopShellWindows::floatingSplitChanged(bool split) {
    // A window made later reads the mode from the state itself.
    if (floating)
        floating->setSplit(split);
}

void DesktopShellWindows::setFloatingContextMenu(QMenu* menu) {
    floatingWindow().setContextMenu(menu);
}

void DesktopShellWindows::setFloatingWindowNote(const QString& note) {
    FloatingSignalWindow& window = floatingWindow();
    window.setWindowTitle(window.windowTitle() + QStringLiteral(" \u2014 ") + note);
}

void DesktopShellWindows::openSessionLog() {
    if (!sessionLogWindow) {
        sessionLogWindow = std::make_unique<SessionLogWindow>(sessionLog);
        label(*sessionLogWindow);
    }
    sessionLogWindow->present();
}

void DesktopShellWindows::openDebugLog() {
    if (!debugLogWindow) {
        debugLogWindow = std::make_unique<DebugLogWindow>(debugLog);
        label(*debugLogWindow);
    }
    debugLogWindow->present();
}

void DesktopShellWindows::openSignalHistory() {
    if (!signalHistoryWindow) {
        signalHistoryWindow = std::make_unique<SignalHistoryWindow>(
            history, [this] { return HistoryReport::headingFor(settings, QDateTime::currentDateTime()); });
        label(*signalHistoryWindow);
    }
    signalHistoryWindow->present();
}

void DesktopShellWindows::openPreferences(SettingsWindowActions& actions) {
    if (!settingsWindow) {
        settingsWindow = std::make_unique<SettingsWindow>(settings, actions);
        label(*settingsWindow);
    }
    settingsWindow->present();
}

void DesktopShellWindows::label(QWidget& window) const {
    if (demo)
        window.setWindowTitle(demoLabelled(window.windowTitle()));
}

void DesktopShellWindows::closeForQuit() {
    if (floating)
        floating->closeForQuit();
}

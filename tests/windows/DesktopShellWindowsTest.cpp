#include "app/DesktopShellWindows.h"

#include "FakeClientListSource.h"
#include "FakeSettingsWindowActions.h"
#include "TestEnvironment.h"
#include "app/FakeRouterConnector.h"
#include "app/RouterConnectionFlow.h"
#include "display/FloatingSignalState.h"
#include "logs/DebugLog.h"
#include "logs/SessionLog.h"
#include "logs/SignalHistory.h"
#include "monitor/FakeRouterService.h"
#include "platform/Clock.h"
#include "router/MemoryCredentialStore.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct ShellWindowsFixture {
    explicit ShellWindowsFixture(bool demo)
        : windows(settings, signalState, log, debugLog, history, demo) {}

    // Every title the shell's windows show, once each has been opened.
    QStringList openEveryWindow() {
        windows.openPreferences(actions);
        windows.openSessionLog();
        windows.openDebugLog();
        windows.openSignalHistory();
        windows.showFloatingWindow();
        QStringList titles;
        for (const QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible())
                titles << window->windowTitle();
        return titles;
    }

    TestEnvironment env;
    SettingsStore settings{env.configHome() + QStringLiteral("/Veltrano/settings.json")};
    SessionLog log{env.dataHome() + QStringLiteral("/Veltrano/session_log.json")};
    DebugLog debugLog;
    SystemClock clock;
    SignalHistory history{env.dataHome() + QStringLiteral("/Veltrano/history.sqlite3"), settings, clock};
    FloatingSignalState signalState;
    MemoryCredentialStore credentials;
    FakeRouterConnector connector;
    FakeRouterService router;
    RouterConnectionFlow flow{settings, credentials, connector,
                              router,   log,         [](const QString&, DetectionCompletion) {}};
    FakeClientListSource clients;
    FakeSettingsWindowActions actions{flow, clients};
    DesktopShellWindows windows;
};

// The demo may run beside the user's own copy: none of its windows may pass
// for that copy's. The note of a desktop without a tray follows the title.
TEST(DesktopShellWindows, EveryWindowOfTheDemoSaysSoAndOnlyThoseOfTheDemo) {
    {
        ShellWindowsFixture demo(true);
        demo.windows.setFloatingWindowNote(
            QStringLiteral("the tray needs gnome-shell-extension-appindicator"));
        const QStringList titles = demo.openEveryWindow();
        ASSERT_EQ(titles.size(), 5) << titles.join(u',').toStdString();
        for (const QString& title : titles)
            EXPECT_TRUE(title.startsWith(QStringLiteral("Demo \u2014 "))) << title.toStdString();
        EXPECT_TRUE(titles.contains(QStringLiteral(
            "Demo \u2014 Veltrano Signal \u2014 the tray needs gnome-shell-extension-appindicator")));
        demo.windows.closeForQuit();
    }
    ShellWindowsFixture own(false);
    for (const QString& title : own.openEveryWindow())
        EXPECT_FALSE(title.startsWith(QStringLiteral("Demo"))) << title.toStdString();
    own.windows.closeForQuit();
}

} // namespace

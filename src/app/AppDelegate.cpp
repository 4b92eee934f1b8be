#include "app/AppDelegate.h"

#include "app/LaunchDefaults.h"
#include "app/LaunchSteps.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "app/WhatsNewCheck.h"
#include "logs/SessionLog.h"

#include <QTimer>

AppDelegate::AppDelegate(SettingsStore& settings, SessionLog& sessionLog, EventLogger& logger,
                         LaunchSteps& steps, QString currentBuild, QObject* parent)
    : QObject(parent)
    , settings(settings)
    , sessionLog(sessionLog)
    , logger(logger)
    , steps(steps)
    , currentBuild(std::move(currentBuild)) {}

void AppDelegate::applicationDidFinishLaunching() {
    steps.showSplash();
    const bool hadMigration1Before = steps.runCredentialMigrations();
    const QList<WhatsNewEntry> unseen =
        WhatsNewCheck::run(settings, logger, currentBuild, hadMigration1Before);
    // Precise: a coarse timer may fire up to 5 % before the 3.3 s are over.
    if (!unseen.isEmpty())
        QTimer::singleShot(whatsNewDelay, Qt::PreciseTimer, this,
                           [this, unseen] { steps.showWhatsNew(unseen); });
    LaunchDefaults::resetRouterConnected(settings);
    steps.autoConnect();
    LaunchDefaults::registerAbsentDefaults(settings);
    sessionLog.logAppLaunch();
    steps.startUpdater();
    steps.showStatusItem();
    steps.startMonitor();
    steps.installObservers();
    if (settings.readBool(SettingsKey::floatingWindowEnabled))
        steps.showFloatingWindow();
    steps.subscribeSplitResize();
}

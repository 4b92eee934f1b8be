#include "app/DemoProfile.h"

#include "BuildInfo.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "router/RouterFamily.h"
#include "router/demo/DemoTimeline.h"

#include <QDir>
#include <algorithm>
#include <array>

DemoProfile::DemoProfile() {
    if (!folder.isValid())
        return;
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        const QString path = folder.filePath(QString::fromLatin1(variable).toLower());
        QDir().mkpath(path);
        qputenv(variable, QFile::encodeName(path));
    }
}

void DemoProfile::writeSettings(SettingsStore& settings, const DemoTimeline& timeline) {
    settings.writeString(SettingsKey::monitoringMode, QStringLiteral("router"));
    settings.writeString(SettingsKey::routerIP, timeline.routerAddress);
    settings.writeString(SettingsKey::detectedRouterType, RouterFamily::glinet);
    settings.writeString(SettingsKey::detectedModelName, timeline.routerModel);
    settings.writeBool(SettingsKey::routerConnected, true);
    settings.writeBool(SettingsKey::routerAutoReconnect, true);
    settings.writeBool(SettingsKey::floatingWindowEnabled, true);
    // The throughput lines, burst included, show only with the developer setting.
    settings.writeBool(SettingsKey::showDev, true);
    settings.writeString(SettingsKey::whatsNewLastSeenBuild, QString::fromLatin1(BuildInfo::buildNumber));
    const std::array targets{std::pair{SettingsKey::targetMAC, SettingsKey::targetName},
                             std::pair{SettingsKey::targetMAC2, SettingsKey::targetName2}};
    for (qsizetype index = 0; index < std::min<qsizetype>(2, timeline.cameras.size()); ++index) {
        settings.writeString(targets[index].first, timeline.cameras[index].mac);
        settings.writeString(targets[index].second, timeline.cameras[index].hostname);
    }
}

QString demoLabelled(const QString& text) {
    return QStringLiteral("Demo \u2014 ") + text;
}

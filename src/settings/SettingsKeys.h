#pragma once

#include <QString>

// Names of every key in the settings domain.
namespace SettingsKey {
inline const QString monitoringMode = QStringLiteral("monitoringMode");
inline const QString routerIP = QStringLiteral("routerIP");
inline const QString routerUsername = QStringLiteral("routerUsername");
inline const QString detectedRouterType = QStringLiteral("detectedRouterType");
inline const QString detectedModelName = QStringLiteral("detectedModelName");
inline const QString targetMAC = QStringLiteral("targetMAC");
inline const QString targetName = QStringLiteral("targetName");
inline const QString targetMAC2 = QStringLiteral("targetMAC2");
inline const QString targetName2 = QStringLiteral("targetName2");
inline const QString targetLabelStyle = QStringLiteral("targetLabelStyle");
inline const QString audioEnabled = QStringLiteral("audioEnabled");
inline const QString audioThreshold = QStringLiteral("audioThreshold");
inline const QString desktopNotifications = QStringLiteral("desktopNotifications");
inline const QString iconStyle = QStringLiteral("iconStyle");
inline const QString floatingWindowEnabled = QStringLiteral("floatingWindowEnabled");
inline const QString floatingWindowOnTop = QStringLiteral("floatingWindowOnTop");
inline const QString historyDays = QStringLiteral("historyDays");
inline const QString settingsWindowOnTop = QStringLiteral("settingsWindowOnTop");
inline const QString routerAutoConnectEnabled = QStringLiteral("routerAutoConnectEnabled");
inline const QString launchAtLogin = QStringLiteral("launchAtLogin");
inline const QString debugLogging = QStringLiteral("debugLogging");
inline const QString showDev = QStringLiteral("showDev");
inline const QString routerConnected = QStringLiteral("routerConnected");
inline const QString routerAutoReconnect = QStringLiteral("routerAutoReconnect");
inline const QString keychainACLMigration1 = QStringLiteral("keychainACLMigration1");
inline const QString keychainACLMigration2 = QStringLiteral("keychainACLMigration2");
inline const QString whatsNewLastSeenBuild = QStringLiteral("whatsNewLastSeenBuild");
inline const QString routerPassword = QStringLiteral("routerPassword");
inline const QString deviceNameRegistry = QStringLiteral("deviceNameRegistry");
} // namespace SettingsKey

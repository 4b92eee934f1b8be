#include "app/UninstallWipe.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "platform/LaunchAtLogin.h"
#include "router/keyring/RouterCredentials.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Only a folder of our own name is removed whole: a settings or log path handed
// in from elsewhere must not take its surroundings with it.
void removeOwnFolder(const QString& filePath, QStringList& left) {
    QDir folder = QFileInfo(filePath).absoluteDir();
    if (folder.dirName() != QStringLiteral("Veltrano")) {
        if (QFile::exists(filePath) && !QFile::remove(filePath))
            left.append(filePath);
        return;
    }
    if (folder.exists() && !folder.removeRecursively())
        left.append(folder.absolutePath());
}

} // namespace

namespace UninstallWipe {

QStringList wipeAllData(SettingsStore& settings, CredentialStore& credentials,
                        const QString& sessionLogPath) {
    QStringList left;
    if (LaunchAtLogin::setLaunchAtLogin(false, QString()))
        left.append(LaunchAtLogin::entryPath());
    RouterCredentials::wipe(credentials, settings.readString(SettingsKey::routerIP).value_or(QString()));
    settings.removeAll();
    removeOwnFolder(settings.filePath(), left);
    if (!sessionLogPath.isEmpty())
        removeOwnFolder(sessionLogPath, left);
    return left;
}

} // namespace UninstallWipe

#include "app/UninstallWipe.h"

#include "platform/LaunchAtLogin.h"
#include "router/keyring/RouterCredentials.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

namespace {

// Only a folder of our own name is removed whole: a settings or log path handed
// in from elsewhere must not take its surroundings with it. Returns what stays.
std::optional<QString> removeOwnFolder(const QString& filePath) {
    QDir folder = QFileInfo(filePath).absoluteDir();
    if (folder.dirName() != QStringLiteral("Veltrano")) {
        if (QFile::exists(filePath) && !QFile::remove(filePath))
            return filePath;
        return std::nullopt;
    }
    if (folder.exists() && !folder.removeRecursively())
        return folder.absolutePath();
    return std::nullopt;
}

void account(UninstallWipe::Report& report, const QString& removed, std::optional<QString> left) {
    if (left)
        report.left.append(*left);
    else
        report.removed.append(removed);
}

QString listed(const QStringList& items) {
    if (items.size() < 2)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}

} // namespace

namespace UninstallWipe {

Report wipeAllData(SettingsStore& settings, CredentialStore& credentials, const QString& sessionLogPath) {
    Report report;
    std::optional<QString> entryLeft;
    if (LaunchAtLogin::setLaunchAtLogin(false, QString()))
        entryLeft = QStringLiteral("the autostart entry ") + LaunchAtLogin::entryPath();
    account(report, QStringLiteral("Launch at Login"), entryLeft);

    const QList<qint32> failures =
        RouterCredentials::wipe(credentials, settings.readString(SettingsKey::routerIP).value_or(QString()));
    std::optional<QString> keyringLeft;
    if (!failures.isEmpty())
        keyringLeft = QStringLiteral("the router password in the keyring (%1)").arg(failures.first());
    account(report, QStringLiteral("saved credentials"), keyringLeft);

    settings.removeAll();
    account(report, QStringLiteral("settings"), removeOwnFolder(settings.filePath()));
    if (!sessionLogPath.isEmpty())
        // The signal history lies beside the session log and goes with its folder.
        account(report, QStringLiteral("the session log and signal history"), removeOwnFolder(sessionLogPath));
    return report;
}

QString summary(const Report& report) {
    if (report.left.isEmpty())
        return QStringLiteral("All settings and credentials have been deleted.");
    QString text = report.removed.isEmpty() ? QStringLiteral("Nothing could be removed.")
                                            : QStringLiteral("Removed: ") + listed(report.removed) + u'.';
    return text + QStringLiteral(" Not removed: ") + report.left.join(QStringLiteral("; ")) + u'.';
}

void removeRuntimeFiles(const QString& lockPath, const QString& runtimeFolder) {
    QFile::remove(lockPath);
    if (!runtimeFolder.isEmpty())
        QDir(runtimeFolder).removeRecursively();
}

} // namespace UninstallWipe

#include "platform/LaunchAtLogin.h"

#include "BuildInfo.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QString disabledLine = QStringLiteral("X-GNOME-Autostart-enabled=false");

std::optional<QString> failed(const QString& sentence, const QString& reason) {
    qWarning().noquote() << sentence << reason;
    return sentence;
}

// Exec keys quote an argument with spaces and escape what the quotes would not.
QString execArgument(const QString& path) {
    QString escaped = path;
    for (const QChar special : {QLatin1Char('\\'), QLatin1Char('"'), QLatin1Char('`'), QLatin1Char('$')})
        escaped.replace(special, QStringLiteral("\\") + special);
    escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

namespace LaunchAtLogin {

QString entryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + QString::fromLatin1(BuildInfo::appId) + QStringLiteral(".desktop");
}

std::optional<QString> setLaunchAtLogin(bool enabled, const QString& executable) {
    const QString path = entryPath();
    if (!enabled) {
        if (QFile::exists(path) && !QFile::remove(path))
            return failed(QStringLiteral("Could not remove the autostart entry."), path);
        return std::nullopt;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return failed(QStringLiteral("Could not create the autostart folder."), path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(QStringLiteral("Could not write the autostart entry."), file.errorString());
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Veltrano\n"
                                         "Comment=Wi-Fi tethering signal monitor\n"
                                         "Exec=%1\n"
                                         "Icon=%2\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execArgument(executable), QString::fromLatin1(BuildInfo::appId));
    file.write(entry.toUtf8());
    if (!file.commit())
        return failed(QStringLiteral("Could not write the autostart entry."), file.errorString());
    return std::nullopt;
}

bool isEnabled() {
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString entry = QString::fromUtf8(file.readAll());
    return !entry.contains(disabledLine) && !entry.contains(QStringLiteral("\nHidden=true"));
}

} // namespace LaunchAtLogin

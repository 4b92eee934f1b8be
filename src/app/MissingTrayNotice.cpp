#include "app/MissingTrayNotice.h"

#include <QStringList>

MissingTrayNotice MissingTrayNotice::forDesktop(const QString& currentDesktop) {
    const QString way = QStringLiteral(
        "This desktop shows no tray, so Veltrano stays in its Signal window: right-click it for the menu.");
    // Ubuntu's session says "ubuntu:GNOME", a GNOME Classic one "GNOME-Classic:GNOME".
    if (currentDesktop.split(QLatin1Char(':')).contains(QStringLiteral("GNOME"), Qt::CaseInsensitive))
        return {way + QStringLiteral(" On GNOME the tray needs the AppIndicator extension (Debian package "
                                     "gnome-shell-extension-appindicator): install and enable it, then "
                                     "start Veltrano again."),
                QStringLiteral("the tray needs gnome-shell-extension-appindicator")};
    return {way, QStringLiteral("no tray here, right-click for the menu")};
}

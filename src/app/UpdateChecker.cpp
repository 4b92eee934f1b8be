#include "app/UpdateChecker.h"

#include "BuildInfo.h"
#include "app/DemoProfile.h"
#include "platform/ProgramInstallation.h"
#include "platform/SchemeHandlers.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

UpdateChecker::UpdateChecker(bool demoMode, QObject* parent)
    : QObject(parent)
    , demo(demoMode) {}

void UpdateChecker::checkForUpdates() {
    const QString scheme = QStringLiteral("appstream");
    if (SchemeHandlers::hasHandler(scheme) &&
        QDesktopServices::openUrl(
            QUrl(scheme + QStringLiteral("://") + QString::fromLatin1(BuildInfo::appId))))
        return;
    showInstallationNote();
}

void UpdateChecker::showInstallationNote() {
    if (!note) {
        const QString title = QStringLiteral("Check for Updates");
        note = new QMessageBox(
            QMessageBox::Information, demo ? demoLabelled(title) : title,
            QStringLiteral("Veltrano %1 (build %2)")
                .arg(QString::fromLatin1(BuildInfo::version), QString::fromLatin1(BuildInfo::buildNumber)),
            QMessageBox::Ok);
        note->setInformativeText(
            ProgramInstallation::updateInstructions(QApplication::applicationFilePath()));
    }
    // Opened, not executed: a nested event loop would hold up the monitor's timers.
    note->open();
    note->raise();
    note->activateWindow();
}

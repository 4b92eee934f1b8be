#include "platform/ProgramInstallation.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString packageRemoval = QStringLiteral(
    "Veltrano was installed by the system's package manager, so it stays where it is. Remove it with "
    "\"sudo apt remove veltrano\" or in your software centre.");

} // namespace

namespace ProgramInstallation {

bool isUserInstalled(const QString& executable) {
    return QFileInfo(QFileInfo(executable).absolutePath()).isWritable();
}

QString updateInstructions(const QString& executable) {
    if (isUserInstalled(executable))
        return QStringLiteral(
                   "This copy was built from source (%1). To update it, pull the latest sources and "
                   "build again.")
            .arg(QFileInfo(executable).absoluteFilePath());
    return QStringLiteral("This copy was installed by the system's package manager. Updates arrive with "
                          "your system updates (software centre or \"sudo apt upgrade\").");
}

Removal moveToTrash(const QString& executable) {
    if (!isUserInstalled(executable))
        return {false, packageRemoval};
    if (QFile::moveToTrash(executable))
        return {true, QStringLiteral("Veltrano was moved to the Trash.")};
    return {false, QStringLiteral("Veltrano could not be moved to the Trash. Delete %1 yourself.")
                       .arg(QFileInfo(executable).absoluteFilePath())};
}

} // namespace ProgramInstallation

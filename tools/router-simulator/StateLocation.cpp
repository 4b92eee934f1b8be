#include "StateLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString namedIn(const QString& directory) {
    QFile pointer(QDir(directory).filePath(QString::fromLatin1(StateLocation::pointerFileName)));
    if (!pointer.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(pointer.readAll()).trimmed();
}

// The folder the command was found in, its symlink not followed.
QString invocationDirectory(const QString& invokedAs, const QString& searchPath) {
    if (invokedAs.contains(QLatin1Char('/')))
        return QFileInfo(invokedAs).absolutePath();
    for (const QString& directory : searchPath.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QFileInfo candidate(QDir(directory).filePath(invokedAs));
        if (candidate.exists() && candidate.isExecutable())
            return directory;
    }
    return {};
}

} // namespace

QString StateLocation::find(const QString& invokedAs, const QString& searchPath,
                            const QString& executablePath) {
    const QString directory = invocationDirectory(invokedAs, searchPath);
    if (!directory.isEmpty()) {
        if (const QString state = namedIn(directory); !state.isEmpty())
            return state;
    }
    return namedIn(QFileInfo(executablePath).absolutePath());
}

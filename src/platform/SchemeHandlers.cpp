#include "platform/SchemeHandlers.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>

namespace {

bool namesHandler(const QString& path, const QString& prefix) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(prefix) && line.size() > prefix.size())
            return true;
    }
    return false;
}

} // namespace

namespace SchemeHandlers {

bool hasHandler(const QString& scheme) {
    const QString prefix = QStringLiteral("x-scheme-handler/") + scheme + QLatin1Char('=');
    QStringList files;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        files.append(folder + QStringLiteral("/mimeapps.list"));
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        files.append(folder + QStringLiteral("/mimeapps.list"));
        files.append(folder + QStringLiteral("/mimeinfo.cache"));
    }
    for (const QString& file : files) {
        if (namesHandler(file, prefix))
            return true;
    }
    return false;
}

} // namespace SchemeHandlers

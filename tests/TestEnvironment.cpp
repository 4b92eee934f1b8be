#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <cstdlib>
#include <ctime>

void TestEnvironment::prepareProcess() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("TZ", "UTC", 1);
    tzset();
    setenv("LC_ALL", "C.UTF-8", 1);

    // Anything that asks for the standard locations without being handed a path
    // lands in a private folder, never in the real home.
    static QTemporaryDir processRoot;
    const QByteArray root = QFile::encodeName(processRoot.path());
    setenv("HOME", root.constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
    // Qt warns about a runtime folder others may enter, as the user's own never is.
    QDir().mkdir(processRoot.path() + QStringLiteral("/runtime"),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TestEnvironment::TestEnvironment() = default;

QString TestEnvironment::configHome() const {
    return root.path() + QStringLiteral("/config");
}

QString TestEnvironment::dataHome() const {
    return root.path() + QStringLiteral("/data");
}

QString TestEnvironment::path(const QString& relative) const {
    return root.filePath(relative);
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

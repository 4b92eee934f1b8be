#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <ctime>

// Puts the process in another zone, one with a daylight-saving change say, for
// as long as it lives; the tests otherwise run in UTC, where local and UTC
// times cannot be told apart. Main thread, no other thread reading the clock.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const QByteArray& zone)
        : previous(qgetenv("TZ"))
        , wasSet(qEnvironmentVariableIsSet("TZ")) {
        set(zone);
    }
    ~ScopedTimeZone() {
        if (wasSet)
            set(previous);
        else {
            qunsetenv("TZ");
            tzset();
        }
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

    // Without its tzdata file the C library silently falls back to UTC.
    static bool isInstalled(const QByteArray& zone) {
        const QByteArray folder =
            qEnvironmentVariableIsSet("TZDIR") ? qgetenv("TZDIR") : "/usr/share/zoneinfo";
        return QFile::exists(QString::fromLocal8Bit(folder + '/' + zone));
    }

private:
    static void set(const QByteArray& zone) {
        qputenv("TZ", zone);
        tzset();
    }

    QByteArray previous;
    bool wasSet;
};

#include "platform/TimedatedSynchronisation.h"

TimedatedSynchronisation::TimedatedSynchronisation(QDBusConnection bus)
    : calls(std::move(bus)) {}

// timedated quits when idle and the bus starts it again for this very read.
SystemAnswer<bool> TimedatedSynchronisation::isSynchronised() const {
    const QString timedate = QStringLiteral("org.freedesktop.timedate1");
    const BlockingBusCalls::Reply reply = calls.property(
        timedate, QStringLiteral("/org/freedesktop/timedate1"), timedate, QStringLiteral("NTPSynchronized"));
    if (reply.serviceAbsent())
        return SystemAnswer<bool>::unreadable(QStringLiteral("systemd-timedated is not available"));
    if (reply.failed())
        return SystemAnswer<bool>::unreadable(QStringLiteral("systemd-timedated: ") + reply.error.message());
    return SystemAnswer<bool>::of(reply.value.toBool());
}

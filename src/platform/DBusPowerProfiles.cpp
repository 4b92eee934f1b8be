#include "platform/DBusPowerProfiles.h"

DBusPowerProfiles::DBusPowerProfiles(QDBusConnection bus)
    : calls(std::move(bus)) {}

SystemAnswer<QString> DBusPowerProfiles::activeProfile() const {
    // Versions from 0.20 answer on both names; older ones only on the first.
    const std::pair<QString, QString> names[] = {
        {QStringLiteral("net.hadess.PowerProfiles"), QStringLiteral("/net/hadess/PowerProfiles")},
        {QStringLiteral("org.freedesktop.UPower.PowerProfiles"),
         QStringLiteral("/org/freedesktop/UPower/PowerProfiles")}};
    QString failure;
    for (const auto& [name, path] : names) {
        const BlockingBusCalls::Reply reply =
            calls.property(name, path, name, QStringLiteral("ActiveProfile"));
        if (!reply.failed())
            return SystemAnswer<QString>::of(reply.value.toString());
        if (!reply.serviceAbsent())
            failure = QStringLiteral("power-profiles-daemon: ") + reply.error.message();
    }
    return SystemAnswer<QString>::unreadable(
        failure.isEmpty() ? QStringLiteral("power-profiles-daemon is not running") : failure);
}

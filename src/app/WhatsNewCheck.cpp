#include "app/WhatsNewCheck.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "logs/EventLogger.h"

namespace {

QString flag(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

namespace WhatsNewCheck {

QList<WhatsNewEntry> run(SettingsStore& settings, EventLogger& logger, const QString& currentBuild,
                         bool hadMigration1Before) {
    const std::optional<QString> lastSeen = settings.readString(SettingsKey::whatsNewLastSeenBuild);
    if (lastSeen == currentBuild)
        return {};
    std::optional<QString> effectiveLastSeen = lastSeen;
    if (!effectiveLastSeen && hadMigration1Before)
        effectiveLastSeen = QStringLiteral("00000000");
    const QList<WhatsNewEntry> unseen = unseenEntries(effectiveLastSeen);
    const QString nil = QStringLiteral("nil");
    logger.logInfo(VtCode::whatsNewCheck,
                   QStringLiteral("hadLaunchedBefore=") + flag(hadMigration1Before) +
                       QStringLiteral(" hadMigration1Before=") + flag(hadMigration1Before) +
                       QStringLiteral(" lastSeenBuild=") + lastSeen.value_or(nil) +
                       QStringLiteral(" effectiveLastSeen=") + effectiveLastSeen.value_or(nil) +
                       QStringLiteral(" unseenCount=") + QString::number(unseen.size()));
    settings.writeString(SettingsKey::whatsNewLastSeenBuild, currentBuild);
    return unseen;
}

} // namespace WhatsNewCheck

#include "app/LinuxMonitorPlatform.h"

#include "settings/SettingsStore.h"
#include "logs/EventLogger.h"

LinuxMonitorPlatform::LinuxMonitorPlatform()
    : link(EventLogger::shared())
    , gateways(link)
    , router(SettingsStore::shared(), credentials, EventLogger::shared(), gateways)
    , networkEvents(EventLogger::shared()) {}

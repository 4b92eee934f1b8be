#include "app/DemoMonitorPlatform.h"

#include "router/keyring/RouterCredentials.h"

DemoMonitorPlatform::DemoMonitorPlatform()
    : timeline(DemoTimeline::builtIn())
    , router(timeline, clock) {
    credentials.savePassword(QStringLiteral("demo"), RouterCredentials::accountFor(timeline.routerAddress));
}

#include "app/DemoMonitorPlatform.h"

DemoMonitorPlatform::DemoMonitorPlatform()
    : router(DemoTimeline::builtIn(), clock) {}

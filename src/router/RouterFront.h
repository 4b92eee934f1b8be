#pragma once

#include "router/ClientListSource.h"
#include "router/RouterConnector.h"
#include "router/RouterDetection.h"
#include "router/RouterService.h"

#include <chrono>

// Everything the tray program asks of its router: the monitor's polls, the
// connect flow, the device picker, family detection and the end of the
// background work at quitting. The real routers' front and the demo's.
class RouterFront : public RouterService, public RouterConnector, public ClientListSource {
public:
    // Which family answers at `address`; later on the main thread.
    virtual void detectRouterType(const QString& address, DetectionCompletion completion) = 0;
    // True when nothing runs any more after at most `deadline`.
    virtual bool endBackgroundWork(std::chrono::milliseconds deadline) = 0;
};

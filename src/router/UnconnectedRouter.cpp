#include "router/UnconnectedRouter.h"

void UnconnectedRouter::fetchClient(const QString&, ClientCompletion completion) {
    completion(std::nullopt);
}

void UnconnectedRouter::probeRouterHealth(HealthCompletion completion) {
    completion(false);
}

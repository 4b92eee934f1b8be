#include "router/DiagnosticDump.h"

#include "logs/EventLogger.h"
#include "router/RouterText.h"

void writeDiagnosticDump(EventLogger& logger, const QString& dump) {
    logger.logDebug(VtCode::bandwidthSample, routerText(dump, RouterTextKind::dump));
}

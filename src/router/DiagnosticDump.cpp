#include "router/DiagnosticDump.h"

#include "logs/EventLogger.h"

void writeDiagnosticDump(EventLogger& logger, const QString& dump) {
    logger.logDebug(VtCode::bandwidthSample, dump);
}

#include "router/DiagnosticDump.h"

#include "logs/EventLogger.h"

#include <cstdio>

void writeDiagnosticDump(EventLogger& logger, const QString& dump) {
    const QByteArray text = dump.toUtf8() + '\n';
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
    logger.logDebug(VtCode::bandwidthSample, dump);
}

#include "logs/VtCode.h"

#include <QHash>

QString rawValue(VtCode code) {
    switch (code) {
    case VtCode::transportReady:
        return QStringLiteral("VT-1002");
    case VtCode::transportTimeout:
        return QStringLiteral("VT-1003");
    case VtCode::transportFailed:
        return QStringLiteral("VT-1004");
    case VtCode::transportCmdFail:
        return QStringLiteral("VT-1005");
    case VtCode::transportClosed:
        return QStringLiteral("VT-1006");
    case VtCode::authSucceeded:
        return QStringLiteral("VT-2002");
    case VtCode::authRejected:
        return QStringLiteral("VT-2003");
    case VtCode::authDiag:
        return QStringLiteral("VT-2004");
    case VtCode::nodeScanReady:
        return QStringLiteral("VT-3002");
    case VtCode::nodeScanFailed:
        return QStringLiteral("VT-3003");
    case VtCode::targetFound:
        return QStringLiteral("VT-3004");
    case VtCode::targetAbsent:
        return QStringLiteral("VT-3005");
    case VtCode::signalAcquired:
        return QStringLiteral("VT-3006");
    case VtCode::signalUnavailable:
        return QStringLiteral("VT-3007");
    case VtCode::monitorStarted:
        return QStringLiteral("VT-4001");
    case VtCode::stateTransition:
        return QStringLiteral("VT-4002");
    case VtCode::alertTriggered:
        return QStringLiteral("VT-4003");
    case VtCode::alertCleared:
        return QStringLiteral("VT-4004");
    case VtCode::alertSnoozed:
        return QStringLiteral("VT-4005");
    case VtCode::alertDisabled:
        return QStringLiteral("VT-4006");
    case VtCode::alertReEnabled:
        return QStringLiteral("VT-4007");
    case VtCode::nodeUnreachable:
        return QStringLiteral("VT-4008");
    case VtCode::nodeRecovered:
        return QStringLiteral("VT-4009");
    case VtCode::bandwidthSample:
        return QStringLiteral("VT-5001");
    case VtCode::bandwidthBurst:
        return QStringLiteral("VT-5002");
    case VtCode::bandwidthRawPoll:
        return QStringLiteral("VT-5003");
    case VtCode::bandwidthLinkDetail:
        return QStringLiteral("VT-5004");
    case VtCode::sessionOpened:
        return QStringLiteral("VT-9001");
    case VtCode::sessionClosed:
        return QStringLiteral("VT-9002");
    case VtCode::debugOn:
        return QStringLiteral("VT-9003");
    case VtCode::debugOff:
        return QStringLiteral("VT-9004");
    case VtCode::whatsNewCheck:
        return QStringLiteral("VT-9005");
    }
    Q_UNREACHABLE();
}

QString vtCodeWords(VtCode code) {
    switch (code) {
    case VtCode::transportReady:
        return QStringLiteral("router connection ready");
    case VtCode::transportTimeout:
        return QStringLiteral("router connection timed out");
    case VtCode::transportFailed:
        return QStringLiteral("router connection failed");
    case VtCode::transportCmdFail:
        return QStringLiteral("router command failed");
    case VtCode::transportClosed:
        return QStringLiteral("router connection closed");
    case VtCode::authSucceeded:
        return QStringLiteral("router login succeeded");
    case VtCode::authRejected:
        return QStringLiteral("router login rejected");
    case VtCode::authDiag:
        return QStringLiteral("router login detail");
    case VtCode::nodeScanReady:
        return QStringLiteral("router scan ready");
    case VtCode::nodeScanFailed:
        return QStringLiteral("router scan failed");
    case VtCode::targetFound:
        return QStringLiteral("target found");
    case VtCode::targetAbsent:
        return QStringLiteral("target not in client list");
    case VtCode::signalAcquired:
        return QStringLiteral("signal acquired");
    case VtCode::signalUnavailable:
        return QStringLiteral("signal unavailable");
    case VtCode::monitorStarted:
        return QStringLiteral("monitoring started");
    case VtCode::stateTransition:
        return QStringLiteral("signal state changed");
    case VtCode::alertTriggered:
        return QStringLiteral("alert triggered");
    case VtCode::alertCleared:
        return QStringLiteral("alert cleared");
    case VtCode::alertSnoozed:
        return QStringLiteral("alert snoozed");
    case VtCode::alertDisabled:
        return QStringLiteral("alert disabled");
    case VtCode::alertReEnabled:
        return QStringLiteral("alert re-enabled");
    case VtCode::nodeUnreachable:
        return QStringLiteral("router unreachable");
    case VtCode::nodeRecovered:
        return QStringLiteral("router reachable again");
    case VtCode::bandwidthSample:
        return QStringLiteral("throughput sample");
    case VtCode::bandwidthBurst:
        return QStringLiteral("throughput burst");
    case VtCode::bandwidthRawPoll:
        return QStringLiteral("byte counters read");
    case VtCode::bandwidthLinkDetail:
        return QStringLiteral("link detail");
    case VtCode::sessionOpened:
        return QStringLiteral("session opened");
    case VtCode::sessionClosed:
        return QStringLiteral("session closed");
    case VtCode::debugOn:
        return QStringLiteral("debug logging on");
    case VtCode::debugOff:
        return QStringLiteral("debug logging off");
    case VtCode::whatsNewCheck:
        return QStringLiteral("what's new check");
    }
    Q_UNREACHABLE();
}

std::optional<VtCode> vtCodeFromRaw(QStringView raw) {
    for (const VtCode code : allVtCodes) {
        if (raw == rawValue(code))
            return code;
    }
    return std::nullopt;
}

size_t qHash(VtCode code, size_t seed) noexcept {
    return qHash(rawValue(code), seed);
}

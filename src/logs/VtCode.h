#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>

// Fixed event codes carried by every logged event. The groups: 1xxx transport,
// 2xxx authentication, 3xxx router scan and target, 4xxx monitor and alerts,
// 5xxx bandwidth, 9xxx application. The numbering has deliberate gaps.
enum class VtCode {
    transportReady,
    transportTimeout,
    transportFailed,
    transportCmdFail,
    transportClosed,
    authSucceeded,
    authRejected,
    authDiag,
    nodeScanReady,
    nodeScanFailed,
    targetFound,
    targetAbsent,
    signalAcquired,
    signalUnavailable,
    monitorStarted,
    stateTransition,
    alertTriggered,
    alertCleared,
    alertSnoozed,
    alertDisabled,
    alertReEnabled,
    nodeUnreachable,
    nodeRecovered,
    bandwidthSample,
    bandwidthBurst,
    bandwidthRawPoll,
    bandwidthLinkDetail,
    sessionOpened,
    sessionClosed,
    debugOn,
    debugOff,
    whatsNewCheck,
};

inline constexpr std::array<VtCode, 32> allVtCodes = {
    VtCode::transportReady,   VtCode::transportTimeout,  VtCode::transportFailed,
    VtCode::transportCmdFail, VtCode::transportClosed,   VtCode::authSucceeded,
    VtCode::authRejected,     VtCode::authDiag,          VtCode::nodeScanReady,
    VtCode::nodeScanFailed,   VtCode::targetFound,       VtCode::targetAbsent,
    VtCode::signalAcquired,   VtCode::signalUnavailable, VtCode::monitorStarted,
    VtCode::stateTransition,  VtCode::alertTriggered,    VtCode::alertCleared,
    VtCode::alertSnoozed,     VtCode::alertDisabled,     VtCode::alertReEnabled,
    VtCode::nodeUnreachable,  VtCode::nodeRecovered,     VtCode::bandwidthSample,
    VtCode::bandwidthBurst,   VtCode::bandwidthRawPoll,  VtCode::bandwidthLinkDetail,
    VtCode::sessionOpened,    VtCode::sessionClosed,     VtCode::debugOn,
    VtCode::debugOff,         VtCode::whatsNewCheck,
};
static_assert(allVtCodes.back() == VtCode::whatsNewCheck, "every code is listed, in declaration order");

// "VT-" and four digits, e.g. "VT-2003".
QString rawValue(VtCode code);

// A few lower-case words saying what the code reports, e.g. "router unreachable",
// so that a system-log line with an empty detail still reads as an event.
QString vtCodeWords(VtCode code);

// Only an exact, case-sensitive match with one of the raw values names a code.
std::optional<VtCode> vtCodeFromRaw(QStringView raw);

// Codes hash as their raw strings do.
size_t qHash(VtCode code, size_t seed = 0) noexcept;

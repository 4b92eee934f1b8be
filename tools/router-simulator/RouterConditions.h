#pragma once

// How a stale GL.iNet session is refused: most firmware answers HTTP 200 with
// JSON-RPC error -32000, some HTTP 401.
enum class GlinetExpiry { rpcError, http401 };

enum class MalformedStyle { htmlPage, cutJson };

// The faults and firmware a test has switched on through the control port.
struct RouterConditions {
    bool requireMfa = false;
    bool rejectPassword = false;
    bool malformed = false;
    MalformedStyle malformedStyle = MalformedStyle::htmlPage;
    int delayMs = 0;
    bool silent = false;
    GlinetExpiry glinetExpiry = GlinetExpiry::rpcError;
    // A Peplink router on firmware 8's API instead of the older device API.
    bool peplinkFirmware8 = false;
};

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
    // A router that forgets every session as soon as it is made: each request
    // after a login is refused as expired, however often the client logs in.
    bool sessionStorm = false;
    // Answers break off half-way through their body with a connection reset.
    bool resetMidBody = false;
    // Answers padded with spaces to at least this many bytes; 0 leaves them be.
    qint64 padToBytes = 0;
};

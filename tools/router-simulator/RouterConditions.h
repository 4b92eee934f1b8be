#pragma once

#include <QString>
#include <optional>

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
    // GL.iNet firmware without HTTPS: its port 443 refuses connections.
    bool httpOnly = false;
    // The GL.iNet login the challenge asks for instead of the scenario's.
    std::optional<int> glinetAlg;
    std::optional<QString> glinetHashMethod;
    // "glinet": another device has taken the address and answers as a GL.iNet
    // router on plain HTTP alone, with the router's own ports closed (a spoofed
    // gateway). Empty: the simulator's own family.
    QString impersonating;
};

#pragma once

#include "ClientBook.h"
#include "HttpRequest.h"
#include "HttpResponse.h"
#include "RequestLog.h"
#include "RouterConditions.h"
#include "SessionBook.h"

#include <functional>

// The test-facing control port: POST /control with one command, GET
// /control/requests for the request log.
class ControlResponder {
public:
    struct Targets {
        RouterConditions& conditions;
        SessionBook& sessions;
        ClientBook& clients;
        RequestLog& requests;
    };

    // `clockMs` gives the simulator's elapsed time; `changed` runs after every
    // command that changes what clients look like.
    ControlResponder(Targets targets, std::function<qint64()> clockMs, std::function<void()> changed);

    HttpResponse respond(const HttpRequest& request);

private:
    HttpResponse command(const QJsonObject& body);

    Targets targets;
    std::function<qint64()> clockMs;
    std::function<void()> changed;
};

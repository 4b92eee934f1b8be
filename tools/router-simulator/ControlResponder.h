#pragma once

#include "ClientBook.h"
#include "HttpRequest.h"
#include "HttpResponse.h"
#include "RequestLog.h"
#include "RouterConditions.h"
#include "SessionBook.h"

#include <QSslConfiguration>
#include <functional>
#include <optional>

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

    // Shows a certificate on the router's TLS ports; none means its own.
    using PresentTls = std::function<void(const std::optional<QSslConfiguration>&)>;

    // `clockMs` gives the simulator's elapsed time; `changed` runs after every
    // command that changes what clients look like.
    // `servicesChanged` runs after every command that opens or closes ports.
    ControlResponder(Targets targets, std::function<qint64()> clockMs, std::function<void()> changed,
                     PresentTls presentTls, std::function<void()> servicesChanged);

    HttpResponse respond(const HttpRequest& request);

private:
    HttpResponse command(const QJsonObject& body);

    Targets targets;
    std::function<qint64()> clockMs;
    std::function<void()> changed;
    PresentTls presentTls;
    std::function<void()> servicesChanged;
};

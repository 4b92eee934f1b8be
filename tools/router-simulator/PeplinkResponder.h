#pragma once

#include "HttpRequest.h"
#include "HttpResponse.h"
#include "RouterConditions.h"
#include "Scenario.h"
#include "SessionBook.h"

// A Peplink router's device API: token grant, client status and system status.
class PeplinkResponder {
public:
    PeplinkResponder(const Scenario& scenario, SessionBook& sessions, const RouterConditions& conditions);

    HttpResponse respond(const HttpRequest& request, const QList<SimClient>& clients);

private:
    HttpResponse grant(const HttpRequest& request);
    bool isAuthorized(const HttpRequest& request) const;

    const Scenario& scenario;
    SessionBook& sessions;
    const RouterConditions& conditions;
};

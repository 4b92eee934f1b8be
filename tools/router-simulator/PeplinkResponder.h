#pragma once

#include "HttpRequest.h"
#include "HttpResponse.h"
#include "RouterConditions.h"
#include "Scenario.h"
#include "SessionBook.h"

// A Peplink router's device API: token grant, client status and system status.
// Switched to firmware 8's API, it grants tokens to API clients only (so it
// refuses the admin's name and password there), lets the admin log in at
// /api/login for a session cookie, names a client's signal and speed only in
// the full output and as objects with their units, names its band, and tells
// its model at status.system.info alone.
class PeplinkResponder {
public:
    PeplinkResponder(const Scenario& scenario, SessionBook& sessions, const RouterConditions& conditions);

    HttpResponse respond(const HttpRequest& request, const QList<SimClient>& clients);

private:
    HttpResponse grant(const HttpRequest& request);
    HttpResponse adminLogin(const HttpRequest& request);
    HttpResponse clientStatus(const HttpRequest& request, const QList<SimClient>& clients) const;
    bool acceptsLogin(const HttpRequest& request) const;
    bool isAuthorized(const HttpRequest& request) const;

    const Scenario& scenario;
    SessionBook& sessions;
    const RouterConditions& conditions;
};

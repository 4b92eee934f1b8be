#pragma once

#include "HttpRequest.h"
#include "HttpResponse.h"
#include "RouterConditions.h"
#include "Scenario.h"
#include "SessionBook.h"

// The UniFi network application's REST interface, in one of its two
// generations: a UniFi OS console (port 443, TOKEN cookie, network API behind
// /proxy/network) or a classic controller (port 8443, unifises cookie).
class UniFiResponder {
public:
    enum class Generation { uniFiOS, classic };

    UniFiResponder(Generation generation, const Scenario& scenario, SessionBook& sessions,
                   const RouterConditions& conditions);

    HttpResponse respond(const HttpRequest& request, const QList<SimClient>& clients);

private:
    HttpResponse login(const HttpRequest& request);
    HttpResponse api(const QByteArray& endpoint, const QList<SimClient>& clients) const;
    HttpResponse loginRequired() const;
    HttpResponse notFound() const;
    QString sessionCookie(const HttpRequest& request) const;

    Generation generation;
    const Scenario& scenario;
    SessionBook& sessions;
    const RouterConditions& conditions;
    QByteArray cookieName;
    QByteArray apiPrefix;
};

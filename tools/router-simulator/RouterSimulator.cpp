#include "RouterSimulator.h"

#include "ClientStateFile.h"

#include <QPointer>

namespace {

HttpResponse malformedVersion(const HttpResponse& response, MalformedStyle style) {
    if (style == MalformedStyle::cutJson) {
        HttpResponse cut = response;
        cut.body.truncate(response.body.size() / 2);
        return cut;
    }
    // What a reverse proxy in front of a crashed web service sends instead.
    return HttpResponse::text(response.status, "text/html",
                              "<html>\r\n<head><title>502 Bad Gateway</title></head>\r\n<body>\r\n"
                              "<center><h1>502 Bad Gateway</h1></center>\r\n<hr><center>nginx</center>\r\n"
                              "</body>\r\n</html>\r\n");
}

} // namespace

bool RouterSimulator::isFamily(const QString& family) {
    return family == QStringLiteral("glinet") || family == QStringLiteral("unifi") ||
           family == QStringLiteral("unifi-classic") || family == QStringLiteral("peplink");
}

RouterSimulator::RouterSimulator(Scenario scenarioValue, Options optionsValue, QObject* parent)
    : QObject(parent)
    , scenario(std::move(scenarioValue))
    , options(std::move(optionsValue))
    , clients(scenario.clients, options.timeline)
    , glinet(scenario, sessions, conditions, [this] { return elapsedMs(); })
    , uniFiOS(UniFiResponder::Generation::uniFiOS, scenario, sessions, conditions)
    , uniFiClassic(UniFiResponder::Generation::classic, scenario, sessions, conditions)
    , peplink(scenario, sessions, conditions)
    , control(
          {conditions, sessions, clients, requests}, [this] { return elapsedMs(); }, [this] { writeState(); },
          [this](const auto& tls) { presentTls(tls); }, [this] { openServices(); }) {
    clock.start();
    stateTimer.setInterval(1000);
    connect(&stateTimer, &QTimer::timeout, this, &RouterSimulator::writeState);
}

bool RouterSimulator::start(QString* error) {
    if (!listen(Service::control, options.controlPort, false, error) || !openServices(error))
        return false;
    writeState();
    stateTimer.start();
    return true;
}

QList<RouterSimulator::Listener> RouterSimulator::wantedServices() const {
    if (conditions.impersonating == QStringLiteral("glinet"))
        return {{Service::glinet, options.httpPort, false}};
    const QString& family = options.family;
    QList<Listener> wanted;
    if (family == QStringLiteral("glinet")) {
        wanted.append({Service::glinet, options.httpPort, false});
        // GL.iNet firmware 4 serves its interface over HTTPS as well, where it has a certificate.
        if (options.tls && !conditions.httpOnly)
            wanted.append({Service::glinetHttps, options.httpsPort, true});
    }
    if (family == QStringLiteral("unifi"))
        wanted.append({Service::uniFiOS, options.httpsPort, true});
    if (family == QStringLiteral("unifi") || family == QStringLiteral("unifi-classic"))
        wanted.append({Service::uniFiClassic, options.classicPort, true});
    if (family == QStringLiteral("peplink"))
        wanted.append({Service::peplink, options.httpsPort, true});
    return wanted;
}

bool RouterSimulator::openServices(QString* error) {
    const QList<Listener> wanted = wantedServices();
    for (auto endpoint = endpoints.begin(); endpoint != endpoints.end();) {
        const bool keep = endpoint.key() == Service::control ||
                          std::any_of(wanted.cbegin(), wanted.cend(), [&](const Listener& listener) {
                              return listener.service == endpoint.key();
                          });
        if (keep) {
            ++endpoint;
            continue;
        }
        delete endpoint.value();
        endpoint = endpoints.erase(endpoint);
    }
    QString ignored;
    for (const Listener& listener : wanted)
        if (!endpoints.contains(listener.service) &&
            !listen(listener.service, listener.port, listener.tls, error ? error : &ignored))
            return false;
    return true;
}

quint16 RouterSimulator::port(Service service) const {
    const HttpEndpoint* endpoint = endpoints.value(service);
    return endpoint ? endpoint->port() : 0;
}

bool RouterSimulator::listen(Service service, quint16 port, bool tls, QString* error) {
    if (tls && !options.tls) {
        *error = QStringLiteral("this family needs --cert and --key");
        return false;
    }
    QPointer<RouterSimulator> guard(this);
    auto* endpoint = new HttpEndpoint(
        [guard, service](const HttpRequest& request, const HttpConnection::Reply& reply,
                         const QObject* connection) {
            if (guard)
                guard->serve(service, request, reply, connection);
        },
        this);
    if (!endpoint->listen(options.address, port, tls ? options.tls : std::nullopt)) {
        *error = QStringLiteral("cannot listen on %1 port %2: %3")
                     .arg(options.address.toString())
                     .arg(port)
                     .arg(endpoint->errorString());
        return false;
    }
    endpoints.insert(service, endpoint);
    return true;
}

void RouterSimulator::serve(Service service, const HttpRequest& request, const HttpConnection::Reply& reply,
                            const QObject* connection) {
    if (service == Service::control) {
        reply(control.respond(request));
        return;
    }
    const quint64 number = requests.append(request, port(service), elapsedMs());
    // A request left unanswered ends when its client gives up on the connection.
    const auto abandoned = std::make_shared<QMetaObject::Connection>(connect(
        connection, &QObject::destroyed, this, [this, number] { requests.end(number, elapsedMs()); }));
    const HttpConnection::Reply logged = [this, number, reply, abandoned](const HttpResponse& response) {
        disconnect(*abandoned);
        requests.end(number, elapsedMs());
        reply(response);
    };
    // A silent router keeps the connection open and never replies.
    if (conditions.silent || (options.timeline && !options.timeline->isRouterReachableAt(elapsedMs())))
        return;
    if (conditions.sessionStorm)
        sessions.expireAll();
    HttpResponse response = answer(service, request);
    if (conditions.malformed)
        response = malformedVersion(response, conditions.malformedStyle);
    if (response.body.size() < conditions.padToBytes)
        response.body.append(QByteArray(conditions.padToBytes - response.body.size(), ' '));
    response.resetMidBody = conditions.resetMidBody;
    if (conditions.delayMs > 0)
        QTimer::singleShot(conditions.delayMs, this, [logged, response] { logged(response); });
    else
        logged(response);
}

HttpResponse RouterSimulator::answer(Service service, const HttpRequest& request) {
    const QList<SimClient> current = clients.clientsAt(elapsedMs());
    switch (service) {
    case Service::glinet:
    case Service::glinetHttps:
        return glinet.respond(request, current);
    case Service::uniFiOS:
        return uniFiOS.respond(request, current);
    case Service::uniFiClassic:
        return uniFiClassic.respond(request, current);
    case Service::peplink:
        return peplink.respond(request, current);
    case Service::control:
        break;
    }
    return HttpResponse::text(404, "text/plain", "not found\n");
}

void RouterSimulator::writeState() {
    if (!options.stateFile.isEmpty())
        ClientStateFile::write(options.stateFile, scenario, clients.clientsAt(elapsedMs()));
}

void RouterSimulator::presentTls(const std::optional<QSslConfiguration>& tls) {
    if (!options.tls)
        return;
    for (HttpEndpoint* endpoint : std::as_const(endpoints))
        endpoint->presentTls(tls.value_or(*options.tls));
}

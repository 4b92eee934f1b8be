#pragma once

#include "ClientBook.h"
#include "ControlResponder.h"
#include "GlinetResponder.h"
#include "HttpEndpoint.h"
#include "PeplinkResponder.h"
#include "RequestLog.h"
#include "RouterConditions.h"
#include "Scenario.h"
#include "SessionBook.h"
#include "UniFiResponder.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTimer>

// One simulated router of one family on one address: its HTTP(S) ports, the
// control port, and the state file its SSH-side commands read.
class RouterSimulator : public QObject {
    Q_OBJECT
public:
    enum class Service { glinet, glinetHttps, uniFiOS, uniFiClassic, peplink, control };

    struct Options {
        // "glinet", "unifi", "unifi-classic" or "peplink".
        QString family;
        QHostAddress address;
        // Port 0 takes any free port (tests); the lab uses the routers' own.
        quint16 httpPort = 80;
        quint16 httpsPort = 443;
        quint16 classicPort = 8443;
        quint16 controlPort = 9000;
        std::optional<QSslConfiguration> tls;
        // Empty: no state file.
        QString stateFile;
        // Plays its scenes for the clients it names and its outages as silence.
        std::optional<DemoTimeline> timeline;
    };

    static bool isFamily(const QString& family);
    // GL.iNet serves plain HTTP alone without a certificate, HTTPS as well with one.
    static bool needsTls(const QString& family) { return family != QStringLiteral("glinet"); }

    RouterSimulator(Scenario scenario, Options options, QObject* parent = nullptr);

    // Opens every port of the family; false with a reason when one cannot be had.
    bool start(QString* error);
    quint16 port(Service service) const;

private:
    void serve(Service service, const HttpRequest& request, const HttpConnection::Reply& reply,
               const QObject* connection);
    HttpResponse answer(Service service, const HttpRequest& request);
    struct Listener {
        Service service;
        quint16 port;
        bool tls;
    };
    // The family's ports as the conditions have them now.
    QList<Listener> wantedServices() const;
    // Opens the wanted ports and closes the others; connections to a closed
    // port are refused from then on.
    bool openServices(QString* error = nullptr);
    bool listen(Service service, quint16 port, bool tls, QString* error);
    void writeState();
    void presentTls(const std::optional<QSslConfiguration>& tls);
    qint64 elapsedMs() const { return clock.elapsed(); }

    const Scenario scenario;
    const Options options;
    QElapsedTimer clock;
    RouterConditions conditions;
    SessionBook sessions;
    ClientBook clients;
    RequestLog requests;
    GlinetResponder glinet;
    UniFiResponder uniFiOS;
    UniFiResponder uniFiClassic;
    PeplinkResponder peplink;
    ControlResponder control;
    QHash<Service, HttpEndpoint*> endpoints;
    QTimer stateTimer;
};

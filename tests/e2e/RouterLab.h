#pragma once

#include "MemoryCredentialStore.h"
#include "TestEnvironment.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "platform/LinuxGatewaySource.h"
#include "platform/NoWirelessLink.h"
#include "platform/RecordingSystemLog.h"
#include "router/RouterCredentials.h"
#include "router/RouterManager.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcessEnvironment>
#include <QTimer>
#include <optional>

// The router lab that run-in-router-lab.sh builds around the test: simulated
// routers of each family behind the studio namespace's default route.
struct RouterLab {
    QString glinet;
    QString uniFi;
    QString uniFiClassic;
    QString peplink;
    QString accessPoint;
    QString username;
    QString password;
    int controlPort = 0;

    // None outside the lab: the tests then skip rather than reach for real routers.
    static std::optional<RouterLab> fromEnvironment() {
        const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (environment.value(QStringLiteral("VELTRANO_LAB")) != QStringLiteral("1"))
            return std::nullopt;
        return RouterLab{environment.value(QStringLiteral("VELTRANO_LAB_GLINET")),
                         environment.value(QStringLiteral("VELTRANO_LAB_UNIFI")),
                         environment.value(QStringLiteral("VELTRANO_LAB_UNIFI_CLASSIC")),
                         environment.value(QStringLiteral("VELTRANO_LAB_PEPLINK")),
                         environment.value(QStringLiteral("VELTRANO_LAB_AP")),
                         environment.value(QStringLiteral("VELTRANO_LAB_USERNAME")),
                         environment.value(QStringLiteral("VELTRANO_LAB_PASSWORD")),
                         environment.value(QStringLiteral("VELTRANO_LAB_CONTROL_PORT")).toInt()};
    }

    // Sends one command to the simulator at `address`; true when it took it.
    bool control(const QString& address, const QJsonObject& command) const {
        QNetworkRequest request(controlUrl(address, QStringLiteral("/control")));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        return exchange(request, QJsonDocument(command).toJson(QJsonDocument::Compact)).has_value();
    }

    void resetAll() const {
        for (const QString& address : {glinet, uniFi, uniFiClassic, peplink})
            control(address, {{QStringLiteral("command"), QStringLiteral("reset")}});
    }

private:
    QUrl controlUrl(const QString& address, const QString& path) const {
        return QUrl(QStringLiteral("http://") + address + QLatin1Char(':') + QString::number(controlPort) +
                    path);
    }

    static std::optional<QByteArray> exchange(const QNetworkRequest& request, const QByteArray& body) {
        QNetworkAccessManager network;
        QNetworkReply* reply = network.post(request, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        const bool ok = reply->isFinished() && reply->error() == QNetworkReply::NoError;
        const QByteArray answer = ok ? reply->readAll() : QByteArray();
        reply->deleteLater();
        return ok ? std::optional(answer) : std::nullopt;
    }
};

// The program's router side, built as the program builds it, inside the
// studio namespace: real routes, real adapters, an in-memory keyring.
struct RouterRig {
    TestEnvironment environment;
    SettingsStore settings{environment.path(QStringLiteral("settings.json"))};
    MemoryCredentialStore credentials;
    RecordingSystemLog systemLog;
    DebugLog debugLog;
    EventLogger logger{systemLog, settings, debugLog};
    NoWirelessLink link;
    LinuxGatewaySource gateways{link};
    RouterManager router{settings, credentials, logger, gateways, environment.path(QStringLiteral("run"))};

    // Points the settings at a router of `family` and keeps its password.
    void useRouter(const QString& address, const QString& family, const RouterLab& lab) {
        settings.writeString(SettingsKey::routerIP, address);
        settings.writeString(SettingsKey::detectedRouterType, family);
        settings.writeString(SettingsKey::routerUsername, lab.username);
        credentials.savePassword(lab.password, RouterCredentials::accountFor(address));
    }

    std::pair<bool, std::optional<QString>> connectRouter() {
        return await<std::pair<bool, std::optional<QString>>>([this](auto done) {
            router.connect([done](bool success, std::optional<QString> message) {
                done({success, message});
            });
        });
    }
    QList<RouterClient> clients() {
        return await<QList<RouterClient>>([this](auto done) { router.fetchClients(done); });
    }
    std::optional<RouterClient> client(const QString& mac) {
        return await<std::optional<RouterClient>>([&](auto done) { router.fetchClient(mac, done); });
    }
    bool healthy() {
        return await<bool>([this](auto done) { router.probeRouterHealth(done); });
    }
    std::optional<QString> model() {
        return await<std::optional<QString>>([this](auto done) { router.fetchModelName(done); });
    }
    QString detect(const QString& address) {
        return await<QString>([&](auto done) { router.detectRouterType(address, done); });
    }

    // Runs the main queue until the completion came; the requests carry their
    // own deadlines, and 70 s covers the longest of them.
    template <typename Answer, typename Request> static Answer await(Request request) {
        std::optional<Answer> answer;
        request([&answer](Answer value) { answer = std::move(value); });
        waitUntil([&] { return answer.has_value(); }, 70'000);
        return answer.value_or(Answer{});
    }
};

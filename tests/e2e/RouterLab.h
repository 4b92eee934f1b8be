#pragma once

#include "MemoryCredentialStore.h"
#include "TestEnvironment.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "logs/DebugLog.h"
#include "logs/EventLogger.h"
#include "platform/LinuxGatewaySource.h"
#include "platform/NoWirelessLink.h"
#include "platform/RecordingSystemLog.h"
#include "router/RouterManager.h"
#include "router/keyring/RouterCredentials.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

// The router lab that run-in-router-lab.sh builds around the test: simulated
// routers of each family behind the studio namespace's default route.
struct RouterLab {
    // Outside the lab the tests skip rather than reach for real routers.
    static bool isHere() { return qEnvironmentVariable("VELTRANO_LAB") == QStringLiteral("1"); }

    QString glinet = qEnvironmentVariable("VELTRANO_LAB_GLINET");
    QString uniFi = qEnvironmentVariable("VELTRANO_LAB_UNIFI");
    QString peplink = qEnvironmentVariable("VELTRANO_LAB_PEPLINK");
    QString username = qEnvironmentVariable("VELTRANO_LAB_USERNAME");
    QString password = qEnvironmentVariable("VELTRANO_LAB_PASSWORD");
    quint16 controlPort = qEnvironmentVariable("VELTRANO_LAB_CONTROL_PORT").toUShort();
    // The one sshd, the GL.iNet router's and the access point's.
    pid_t sshd = qEnvironmentVariable("VELTRANO_LAB_SSHD_PID").toInt();
    QString hostKey = qEnvironmentVariable("VELTRANO_LAB_SSHD_HOST_KEY");
    // sshd's log, which names each connection it accepted and the address it came to.
    QString sshdLog = qEnvironmentVariable("VELTRANO_LAB_SSHD_LOG");

    // Sends one command to the simulator at `address`; true when it took it.
    bool control(const QString& address, const QJsonObject& command) const {
        QNetworkAccessManager network;
        QNetworkRequest request(QUrl(QStringLiteral("http://%1:%2/control").arg(address).arg(controlPort)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        request.setTransferTimeout(5000);
        const std::unique_ptr<QNetworkReply> reply(
            network.post(request, QJsonDocument(command).toJson(QJsonDocument::Compact)));
        static_cast<void>(QTest::qWaitFor([&] { return reply->isFinished(); }, 6000));
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    }

    // The requests the simulator at `address` was sent since its last reset.
    QJsonArray requests(const QString& address) const {
        QNetworkAccessManager network;
        const std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(
            QUrl(QStringLiteral("http://%1:%2/control/requests").arg(address).arg(controlPort)))));
        static_cast<void>(QTest::qWaitFor([&] { return reply->isFinished(); }, 6000));
        return QJsonDocument::fromJson(reply->readAll()).array();
    }

    int logins(const QString& address) const {
        const QJsonArray sent = requests(address);
        return static_cast<int>(std::count_if(sent.begin(), sent.end(), [](const QJsonValue& entry) {
            return entry[QStringLiteral("path")].toString().endsWith(QStringLiteral("/login")) ||
                   entry[QStringLiteral("body")].toString().contains(QStringLiteral("\"method\":\"login\""));
        }));
    }

    // The most requests whose path or body contains `kind` that were out at
    // once; one still unanswered counts as out for good. The log is in order of
    // arrival, so one answered in the millisecond the next came is not counted.
    int mostRequestsAtOnce(const QString& address, const QString& kind) const {
        QList<std::pair<double, double>> spans;
        for (const QJsonValue& entry : requests(address))
            if ((entry[QStringLiteral("path")].toString() + entry[QStringLiteral("body")].toString())
                    .contains(kind))
                spans.append({entry[QStringLiteral("at")].toDouble(),
                              entry[QStringLiteral("until")].toDouble(qInf())});
        qsizetype most = 0;
        for (qsizetype i = 0; i < spans.size(); ++i)
            most = std::max(most,
                            1 + std::count_if(spans.cbegin(), spans.cbegin() + i, [&](const auto& earlier) {
                                return earlier.second > spans[i].first;
                            }));
        return static_cast<int>(most);
    }

    // SIGSTOP leaves it taking connections it never answers, as a hung ssh does.
    void signalSshd(int signal) const {
        if (sshd > 0)
            ::kill(sshd, signal);
    }

    // Every session process sshd serves, children and grandchildren: SIGSTOP
    // wedges the connections (each master still answers its control socket),
    // SIGCONT lets them go on. sshd itself keeps taking new connections.
    void signalSshdSessions(int signal) const {
        QList<pid_t> parents{sshd};
        while (!parents.isEmpty())
            for (const pid_t session : childrenOf(parents.takeFirst())) {
                ::kill(session, signal);
                parents.append(session);
            }
    }

    // The children the main thread of `process` started.
    static QList<pid_t> childrenOf(pid_t process) {
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(process));
        QList<pid_t> pids;
        if (children.open(QIODevice::ReadOnly))
            for (const QByteArray& child : children.readAll().split(' '))
                if (child.toInt() > 0)
                    pids.append(child.toInt());
        return pids;
    }

    // The ssh masters of this process that are running (an exited one has no
    // command line left).
    static QList<pid_t> sshMasters() {
        QList<pid_t> masters;
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
            QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(entry));
            if (!stat.open(QIODevice::ReadOnly) || !commandLine.open(QIODevice::ReadOnly))
                continue;
            const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
            if (fields.value(2).toInt() == ::getpid() && commandLine.readAll().split('\0').contains("-M"))
                masters.append(entry.toInt());
        }
        return masters;
    }

    // Ends every ssh master of this process, as a crash of one would.
    static void killSshMasters() {
        for (const pid_t master : sshMasters())
            ::kill(master, SIGKILL);
    }

    // sshd takes a new host key, as a replaced router would have, and the
    // sessions it serves end; the old key is kept for restoreSshdKey.
    void rekeySshd() const {
        for (const QString& suffix : {QString(), QStringLiteral(".pub")}) {
            QFile::remove(hostKey + suffix + QStringLiteral(".kept"));
            QFile::rename(hostKey + suffix, hostKey + suffix + QStringLiteral(".kept"));
        }
        QProcess::execute(QStringLiteral("ssh-keygen"),
                          {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                           QStringLiteral("-N"), QString(), QStringLiteral("-f"), hostKey});
        restartSshd();
    }
    void restoreSshdKey() const {
        for (const QString& suffix : {QString(), QStringLiteral(".pub")}) {
            QFile::remove(hostKey + suffix);
            QFile::rename(hostKey + suffix + QStringLiteral(".kept"), hostKey + suffix);
        }
        restartSshd();
    }

    void resetAll() const {
        for (const QString& address : {glinet, uniFi, peplink})
            control(address, {{QStringLiteral("command"), QStringLiteral("reset")}});
    }

private:
    // SIGHUP has sshd read its keys again; the sessions it serves end with it.
    void restartSshd() const {
        signalSshd(SIGHUP);
        QTest::qWait(300);
        for (const pid_t session : childrenOf(sshd))
            ::kill(session, SIGKILL);
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

    bool connectRouter() {
        return await<bool>(
            [this](auto done) { router.connect([done](bool success, auto) { done(success); }); });
    }
    std::optional<RouterClient> client(const QString& mac) {
        return await<std::optional<RouterClient>>([&](auto done) { router.fetchClient(mac, done); });
    }
    RouterDetection detect(const QString& address) {
        return await<RouterDetection>([&](auto done) { router.detectRouterType(address, done); });
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

// A test of the program against the lab: skipped outside it, started on reset
// simulators, and leaving sshd running whatever the test stopped.
class LabTest : public testing::Test {
protected:
    void SetUp() override {
        if (!RouterLab::isHere())
            GTEST_SKIP() << "runs only inside the router lab (run-in-router-lab.sh)";
        lab.resetAll();
    }
    void TearDown() override {
        lab.signalSshd(SIGCONT);
        lab.signalSshdSessions(SIGCONT);
    }

    RouterLab lab;
    RouterRig rig;
};

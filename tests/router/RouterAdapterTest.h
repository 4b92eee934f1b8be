#pragma once

#include "MemoryCredentialStore.h"
#include "SshTestSupport.h"
#include "router/RouterAccess.h"
#include "router/RouterClient.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThreadPool>
#include <memory>

// What every adapter test stands on: private folders and settings, a keyring
// holding the router's password, a fake ssh, and calls that wait for their one
// completion, which must never come inside the call.
template <typename Adapter> class RouterAdapterTest : public TransportTest {
protected:
    void TearDown() override {
        // Background work uses the adapter's ssh transport; the manager waits the same way.
        pool.waitForDone();
        adapter.reset();
    }

    template <typename Result, typename Method, typename... Args>
    Result await(Method method, const Args&... args) {
        std::optional<Result> result;
        int calls = 0;
        (adapter.get()->*method)(args..., [&](auto... values) {
            ++calls;
            result.emplace(std::move(values)...);
        });
        EXPECT_FALSE(result) << "completions never run inside the call";
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }, 15000));
        pump(20);
        EXPECT_EQ(calls, result ? 1 : 0);
        return result.value_or(Result());
    }
    auto connectNow() { return await<std::pair<bool, std::optional<QString>>>(&RouterAdapter::connect); }
    // Failures read as empty here; the picker's reasons are the selection's business.
    auto clientsNow() {
        return await<std::optional<QList<RouterClient>>>(&RouterAdapter::fetchClients)
            .value_or(QList<RouterClient>());
    }
    auto clientNow(const QString& mac) {
        return await<std::optional<RouterClient>>(&RouterAdapter::fetchClient, mac);
    }
    bool healthNow() { return await<bool>(&RouterAdapter::probeRouterHealth); }
    auto modelNow() { return await<std::optional<QString>>(&RouterAdapter::fetchModelName); }
    // A silent router: the probe gives up at its three-second deadline.
    void expectHealthFailsAtTheDeadline(qint64 latestMs = 4500) {
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(healthNow());
        EXPECT_GE(clock.elapsed(), 2900);
        EXPECT_LT(clock.elapsed(), latestMs);
    }
    static void pump(int ms) {
        waitUntil([] { return false; }, ms);
    }
    qsizetype logged(const QString& prefix) const {
        return systemLog.lines().filter(QRegularExpression(u'^' + QRegularExpression::escape(prefix))).size();
    }

    MemoryCredentialStore credentials;
    QThreadPool pool;
    QString address = QStringLiteral("127.0.0.1");
    // The access points of the tests' controllers are on this computer's subnets.
    QString localSubnet = QStringLiteral("192.0.2.");
    RouterAccess access{settings,
                        credentials,
                        logger,
                        pool,
                        children,
                        [this] { return address; },
                        [this](const QString& ip) { return ip.startsWith(localSubnet); },
                        runtime};
    FakeSshScript ssh{environment.path(QStringLiteral("bin"))};
    std::unique_ptr<Adapter> adapter = std::make_unique<Adapter>(access);
};

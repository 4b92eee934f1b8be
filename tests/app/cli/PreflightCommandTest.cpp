#include "app/cli/PreflightCommand.h"

#include "CliTestSupport.h"
#include "monitor/FakeWirelessLink.h"
#include "preflight/FakeComputer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

struct Station {
    CliRun run(const QStringList& args) {
        return capture([&](QTextStream& out, QTextStream& err) {
            return runPreflightCommand(
                args, readersOf(fake), link, [](const QString& ip) { return ip.startsWith(u"192.168.8."_s); },
                out, err);
        });
    }
    // The JSON row of the item with `title`.
    static QJsonObject row(const CliRun& run, const QString& title) {
        for (const QJsonValue& value : QJsonDocument::fromJson(run.out.toUtf8()).array())
            if (value[u"title"_s].toString() == title)
                return value.toObject();
        return {};
    }

    std::shared_ptr<FakeComputer> fake = std::make_shared<FakeComputer>();
    FakeWirelessLink link;
};

// Only an address given is probed, a name never (it would reach a resolver);
// the exit code says whether the pass settled.
TEST(PreflightCommand, ProbesOnlyTheCameraAddressGivenAndExitsByWhetherThePassSettled) {
    Station station;
    station.link.joinStudioOnFiveGigahertz();
    const CliRun named = station.run({u"--camera"_s, u"camera.local"_s});
    EXPECT_EQ(named.exitCode, 2);
    EXPECT_TRUE(named.err.contains(u"usage: veltrano-cli preflight"_s));
    EXPECT_TRUE(station.fake->probed.isEmpty());

    const QStringList args{u"--json"_s, u"--camera"_s, u"192.168.8.20"_s};
    const CliRun answered = station.run(args);
    EXPECT_EQ(answered.exitCode, 0) << answered.out.toStdString();
    EXPECT_EQ(Station::row(answered, u"Camera answers on the network"_s)[u"status"_s], u"passed"_s);
    EXPECT_EQ(station.fake->probed, QStringList{u"192.168.8.20:15740"_s});

    station.fake->cameraAnswers = false;
    const CliRun silent = station.run(args);
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_EQ(Station::row(silent, u"Camera answers on the network"_s)[u"status"_s], u"failed"_s);
}

} // namespace

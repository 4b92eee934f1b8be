#include "preflight/ComputerChecklistModel.h"

#include "TestEnvironment.h"
#include "monitor/FakeWirelessLink.h"
#include "preflight/FakeComputer.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Status = PreflightStatus;
using Case = PreflightStatus::Case;

namespace {

struct Computer {
    ~Computer() { fake->probeHeld.release(100); }
    const Status& status(int id) const { return model.items().at(id - 1).status; }
    const Status& check(int id) {
        model.checkItem(id);
        EXPECT_TRUE(waitUntil([&] { return status(id).kind != Case::checking; }));
        return status(id);
    }
    void joinFiveGigahertz() { wifi.joinStudioOnFiveGigahertz(); }
    void manageByNetworkManager(WifiConnectionSettings::PowerSave powerSave, const QString& mac = {},
                                const QString& stableId = {}) {
        fake->profile = SystemAnswer<WifiConnectionSettings>::of(
            {u"/org/freedesktop/NetworkManager/Settings/3"_s, u"Studio"_s, powerSave, mac, stableId});
    }

    std::shared_ptr<FakeComputer> fake = std::make_shared<FakeComputer>();
    FakeWirelessLink wifi;
    QList<CameraAddress> cameras;
    QThreadPool pool;
    ComputerChecklistModel model{readersOf(fake),
                                 wifi,
                                 [this] { return cameras; },
                                 [](const QString& ip) { return ip.startsWith(u"192.168.8."_s); },
                                 pool,
                                 std::chrono::milliseconds(300)};
};

} // namespace

// A computer with no Wi-Fi and none of the services: every item says what it
// could not read, none shows a guess, and a pass completes.
TEST(ComputerChecklistModel, WithNothingToReadEveryItemSaysWhyAndAPassCompletes) {
    Computer computer;
    computer.model.runAll();
    ASSERT_TRUE(waitUntil([&] { return !computer.model.isRunningAll(); }));

    for (int id : {1, 2, 6, 7})
        EXPECT_EQ(computer.status(id), Status::couldNotCheck(u"this computer has no Wi-Fi interface"_s))
            << id;
    EXPECT_EQ(computer.status(3).kind, Case::couldNotCheck);
    EXPECT_EQ(computer.status(4), Status::couldNotCheck(u"systemd-timedated is not running"_s));
    EXPECT_EQ(computer.status(5), Status::couldNotCheck(u"power-profiles-daemon is not running"_s));
    EXPECT_TRUE(computer.model.isComplete());
}

// Power saving is read from NetworkManager's profile where it has one, else
// from the kernel; only a profile can be fixed, and a refused fix says why.
TEST(ComputerChecklistModel, PowerSavingIsFixedThroughNetworkManagerOrNamesTheCommand) {
    Computer computer;
    computer.joinFiveGigahertz();
    computer.fake->kernelPowerSave = SystemAnswer<bool>::of(true);
    const Status& withoutProfile = computer.check(1);
    EXPECT_EQ(withoutProfile.kind, Case::failed);
    EXPECT_FALSE(withoutProfile.fixable);
    EXPECT_TRUE(withoutProfile.text.contains(u"sudo iw dev wlan0 set power_save off"_s));

    computer.manageByNetworkManager(WifiConnectionSettings::PowerSave::enable);
    EXPECT_TRUE(computer.check(1).fixable);
    computer.fake->fixRefusal = u"Not authorized to modify the connection"_s;
    computer.model.applyFix(1);
    EXPECT_TRUE(waitUntil([&] { return computer.status(1).kind == Case::failed; }));
    EXPECT_EQ(computer.status(1).text, u"Could not change it: Not authorized to modify the connection"_s);

    // Saved, but the kernel keeps saving power until the connection comes up again.
    computer.fake->fixRefusal.reset();
    computer.model.applyFix(1);
    EXPECT_TRUE(waitUntil([&] { return computer.status(1).kind == Case::warning; }));
    computer.fake->kernelPowerSave = SystemAnswer<bool>::of(false);
    EXPECT_EQ(computer.check(1).kind, Case::passed);
}

// Only a camera on one of this computer's networks is probed, on the
// tethering port; one elsewhere fails the link instead.
TEST(ComputerChecklistModel, CamerasAreProbedOnlyOnThisComputersNetworks) {
    Computer computer;
    computer.cameras = {{u"R1"_s, u"10.0.0.7"_s}};
    EXPECT_EQ(computer.check(3),
              Status::couldNotCheck(u"no camera's address is on this computer's networks"_s));
    computer.joinFiveGigahertz();
    EXPECT_EQ(computer.check(2), Status::failed(u"R1 (10.0.0.7) is not on this computer's networks"_s));

    computer.cameras = {{u"R5 II"_s, u"192.168.8.20"_s}};
    EXPECT_EQ(computer.check(2), Status::passed(u"Studio on 5 GHz \u00B7 -52 dBm \u00B7 867 Mbit/s"_s));
    EXPECT_EQ(computer.check(3), Status::passed(u"Answers"_s));
    computer.fake->cameraAnswers = false;
    EXPECT_TRUE(computer.check(3).text.startsWith(u"No answer (the camera's Wi-Fi"_s));
    EXPECT_EQ(computer.fake->probed, QStringList(2, u"192.168.8.20:15740"_s));

    computer.wifi.reading->channelBand = 1;
    EXPECT_EQ(computer.check(2).kind, Case::failed);
}

// What weakens tethering without breaking it warns and still lets a pass complete.
TEST(ComputerChecklistModel, RiskySettingsWarnAndAPassStillCompletes) {
    Computer computer;
    computer.joinFiveGigahertz();
    computer.cameras = {{u"R5 II"_s, u"192.168.8.20"_s}};
    computer.manageByNetworkManager(WifiConnectionSettings::PowerSave::disable, u"random"_s);
    computer.fake->kernelPowerSave = SystemAnswer<bool>::of(false);
    computer.fake->synchronised = SystemAnswer<bool>::of(true);
    computer.fake->powerProfile = SystemAnswer<QString>::of(u"power-saver"_s);
    computer.fake->firewall =
        SystemAnswer<QString>::of(u"ufw's default policy refuses incoming connections"_s);
    computer.model.runAll();
    ASSERT_TRUE(waitUntil([&] { return !computer.model.isRunningAll(); }));

    for (int id : {5, 6, 7})
        EXPECT_EQ(computer.status(id).kind, Case::warning) << id;
    EXPECT_TRUE(computer.model.isComplete());

    // "stable" is derived from the stable-id: the same each time unless that names the boot.
    computer.manageByNetworkManager(WifiConnectionSettings::PowerSave::disable, u"stable"_s, u"${BOOT}"_s);
    EXPECT_EQ(computer.check(6).kind, Case::warning);
    computer.manageByNetworkManager(WifiConnectionSettings::PowerSave::disable, u"stable"_s);
    EXPECT_EQ(computer.check(6).kind, Case::passed);
}

// A reader that hangs cannot hold the pass: its item could not be checked, and
// its late answer is dropped.
TEST(ComputerChecklistModel, AHungReaderRunsOutOfTimeAndItsLateAnswerIsDropped) {
    Computer computer;
    computer.joinFiveGigahertz();
    computer.cameras = {{u"R5 II"_s, u"192.168.8.20"_s}};
    computer.fake->holdProbe = true;
    EXPECT_EQ(computer.check(3), Status::couldNotCheck(u"no answer within 0.3 s"_s));
    computer.fake->probeHeld.release();
    computer.pool.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(computer.status(3).kind, Case::couldNotCheck);
}

#include "preflight/CaptureOneManager.h"

#include "TestEnvironment.h"
#include "preflight/FakeApplicationScripting.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using ScriptRun = ApplicationScripting::ScriptRun;

namespace {

struct Bridge {
    std::shared_ptr<FakeApplicationScripting> fake = std::make_shared<FakeApplicationScripting>();
    QThreadPool pool;
    CaptureOneManager manager{fake, pool};
};

} // namespace

TEST(CaptureOneManager, ScriptsGoOutOnlyWhileCaptureOneRunsAndEveryOutcomeIsOneResult) {
    Bridge b;
    b.fake->running = {u"com.captureone.CaptureOne16"_s};
    std::optional<ScriptResult> heard;
    b.manager.setSaveTo(u"SD"_s, [&](const ScriptResult& result) { heard = result; });
    ASSERT_TRUE(waitUntil([&] { return heard.has_value(); }));
    EXPECT_EQ(*heard, ScriptResult::notRunning()) << "identifiers compare with their case";
    EXPECT_TRUE(b.fake->sent.isEmpty()) << "a script would launch Capture One";

    b.fake->running.append(b.fake->captureOne);
    const auto outcome = [&](const ScriptRun& run) {
        b.fake->answer = [run](const QString&) { return run; };
        return b.manager.runScript(u"get app version"_s);
    };
    EXPECT_EQ(outcome({}), ScriptResult::scriptError(u"Failed to compile AppleScript source"_s));
    EXPECT_EQ(outcome({true, ScriptRun::ErrorRecord{-1743, u"Not authorised."_s}, {}}),
              ScriptResult::permissionDenied());
    EXPECT_EQ(outcome({true, ScriptRun::ErrorRecord{-1728, {}}, {}}),
              ScriptResult::scriptError(u"Unknown AppleScript error"_s));
    EXPECT_EQ(outcome({true, {}, {}}),
              ScriptResult::scriptError(u"Script executed but returned no string value"_s));
    EXPECT_EQ(outcome(FakeApplicationScripting::answered(u"VT_NO_CAMERA_AVAILABLE"_s)),
              ScriptResult::noCameraAvailable());
    EXPECT_EQ(outcome(FakeApplicationScripting::answered(u"VT_ATTRIBUTE_NOT_FOUND"_s)),
              ScriptResult::value(u"VT_ATTRIBUTE_NOT_FOUND"_s));

    b.manager.setSaveTo(u"SD+Capture One"_s, [](const ScriptResult&) {});
    b.pool.waitForDone();
    EXPECT_EQ(b.fake->sent.last(),
              u"tell application id \"com.captureone.captureone16\"\n    tell current document\n"
              u"        set camIDs to available camera identifiers\n"
              u"        if (count of camIDs) = 0 then return \"VT_NO_CAMERA_AVAILABLE\"\n"
              u"        select camera name (item 1 of camIDs)\n        delay 1\n    end tell\n"
              u"    set attrResult to \"VT_ATTRIBUTE_NOT_FOUND\"\n"
              u"repeat with a in (every attribute of camera of current document)\n"
              u"    if name of a is \"Shoot/Save To\" then\n        set value of a to \"SD+Capture One\"\n"
              u"        set attrResult to value of a\n        exit repeat\n    end if\nend repeat\n"
              u"return attrResult\nend tell"_s);
}

TEST(CaptureOneManager, AScriptQueuedWhenTheManagerGoesStillCompletesAsNotRunning) {
    QThreadPool pool;
    pool.setMaxThreadCount(1);
    auto owned = std::make_shared<FakeApplicationScripting>();
    FakeApplicationScripting* fake = owned.get();
    fake->holding = true;
    fake->answer = [](const QString&) { return FakeApplicationScripting::answered({}); };
    auto manager = std::make_unique<CaptureOneManager>(std::move(owned), pool);
    QList<ScriptResult> heard;
    manager->runScriptAsync(u"first"_s, [&](const ScriptResult& result) { heard.append(result); });
    manager->runScriptAsync(u"second"_s, [&](const ScriptResult& result) { heard.append(result); });
    ASSERT_TRUE(waitUntil([&] { return fake->runs == 1; }));
    manager.reset();
    fake->release();
    ASSERT_TRUE(waitUntil([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard, (QList<ScriptResult>{ScriptResult::value({}), ScriptResult::notRunning()}));
}

TEST(CaptureOneManager, CanonWirelessIsBitNineAndUnreadablePreferencesFallBack) {
    Bridge b;
    QHash<QString, QVariant>& stored = b.fake->preferences;
    EXPECT_EQ(b.manager.canonWirelessPreference(), std::nullopt);
    b.manager.setCanonWireless(true);
    EXPECT_EQ(stored.value(u"CaptureProviders2"_s), QVariant(qint64(2680)));
    EXPECT_EQ(b.fake->synchronized, QStringList{b.fake->captureOne});
    b.manager.setCanonWireless(false);
    EXPECT_EQ(stored.value(u"CaptureProviders2"_s).toInt(), 2168);
    stored.insert(u"CaptureProviders2"_s, 512);
    b.manager.setCanonWireless(false);
    EXPECT_EQ(stored.value(u"CaptureProviders2"_s).toInt(), 0);
    stored.insert(u"CaptureProviders2"_s, u"512"_s);
    EXPECT_EQ(b.manager.canonWirelessPreference(), std::nullopt);

    stored.insert(u"SaveToCard"_s, 0);
    stored.insert(u"FetchOnConnect"_s, 1);
    EXPECT_TRUE(b.manager.saveToCardPreference());
    EXPECT_FALSE(b.manager.fetchOnConnectPreference());
    b.manager.enablePreference(u"FetchOnConnect"_s);
    EXPECT_TRUE(b.manager.fetchOnConnectPreference());
    EXPECT_EQ(b.fake->synchronized.size(), 4);
}

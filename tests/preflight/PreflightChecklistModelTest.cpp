#include "preflight/PreflightChecklistModel.h"

#include "TestEnvironment.h"
#include "monitor/FakeClock.h"
#include "preflight/FakeApplicationScripting.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Status = PreflightStatus;

namespace {

struct Checklist {
    Checklist() { fake->tetherHealthyCamera(clock.now().toSecsSinceEpoch()); }
    // The pool waits for its scripts when it goes.
    ~Checklist() { fake->release(); }
    const Status& status(int id) const { return model.items().at(id - 1).status; }
    Status check(int id, const QString& reply) {
        fake->answer = [reply](const QString&) { return FakeApplicationScripting::answered(reply); };
        model.checkItem(id);
        EXPECT_TRUE(waitUntil([&] { return status(id) != Status::checking(); }));
        return status(id);
    }
    bool passOver() {
        return waitUntil([&] { return !model.isRunningAll(); });
    }

    std::shared_ptr<FakeApplicationScripting> fake = std::make_shared<FakeApplicationScripting>();
    QThreadPool pool;
    FakeClock clock;
    CaptureOneManager manager{fake, pool};
    PreflightChecklistModel model{manager, clock, std::chrono::milliseconds(300)};
};

} // namespace

// Without a scripting bridge nothing is asked and nothing is read as On or Off:
// Capture One's items say so, offer no fix, and a pass completes past them.
TEST(PreflightChecklistModel, WithoutABridgeCaptureOnesItemsAreNotAvailableTheCamerasManualAndAPassCompletes) {
    auto fake = std::make_shared<FakeApplicationScripting>();
    fake->reaches = false;
    QThreadPool pool;
    FakeClock clock;
    CaptureOneManager manager{fake, pool};
    PreflightChecklistModel model{manager, clock};
    model.runAll();
    ASSERT_TRUE(waitUntil([&] { return !model.isRunningAll(); }));
    EXPECT_TRUE(model.isComplete());
    EXPECT_EQ(model.runFailedAtIndex(), std::nullopt);
    for (const PreflightCheckItem& item : model.items()) {
        const bool onTheCamera = item.id <= 2 || item.id >= 10;
        EXPECT_EQ(item.status, onTheCamera ? Status::manualOnly() : Status::notAvailable()) << item.id;
        EXPECT_FALSE(item.fix) << item.id;
    }
    EXPECT_EQ(fake->runs, 0);
}

TEST(PreflightChecklistModel, APassStopsAtTheFirstFailureAndResumesThereAfterTheFix) {
    Checklist c;
    c.fake->running.clear();
    c.model.runAll();
    EXPECT_EQ(c.status(3), Status::checking()) << "even an instant answer lands in a later turn";
    ASSERT_TRUE(c.passOver());
    EXPECT_EQ(c.status(1), Status::manualOnly());
    EXPECT_EQ(c.status(3), Status::failed(u"Not running"_s));
    EXPECT_EQ(c.model.runFailedAtIndex(), 2);

    c.fake->running = {c.fake->captureOne};
    c.model.runAll();
    ASSERT_TRUE(c.passOver());
    EXPECT_EQ(c.status(6), Status::failed(u"Unknown"_s));
    EXPECT_EQ(c.model.runFailedAtIndex(), 5);

    c.model.applyFix(6);
    ASSERT_TRUE(waitUntil([&] { return c.status(6) == Status::passed(u"On"_s); }));
    const int runsBeforeResume = c.fake->runs;
    c.model.runAll();
    ASSERT_TRUE(c.passOver());
    EXPECT_EQ(c.fake->runs, runsBeforeResume + 5) << "the resumed pass starts at the fixed item";
    EXPECT_EQ(c.model.runFailedAtIndex(), std::nullopt);
    EXPECT_TRUE(c.model.isComplete());
}

TEST(PreflightChecklistModel, ChecksJudgeTheValueAndFixesCheckAgain) {
    Checklist c;
    EXPECT_EQ(c.check(5, u"canon eos r5 mark ii"_s), Status::passed(u"canon eos r5 mark ii"_s));
    EXPECT_EQ(c.check(5, u"Canon EOS R1"_s), Status::passed(u"Canon EOS R1"_s));
    for (const QString& otherBody : {u"Canon EOS R10"_s, u"Canon EOS R100"_s, u"Canon EOS R50"_s})
        EXPECT_EQ(c.check(5, otherBody), Status::failed(otherBody));
    EXPECT_EQ(c.check(4, u"16.7.4"_s), Status::failed(u"16.7.4"_s));
    for (const QString& notRawAlone : {u"RAW + jpeg"_s, u"HEIF"_s, u""_s})
        EXPECT_EQ(c.check(7, notRawAlone), Status::failed(notRawAlone));
    EXPECT_EQ(c.check(10, u"VT_NO_CAMERA_AVAILABLE"_s), Status::failed(u"No camera tethered"_s));

    c.fake->tetherHealthyCamera(0);
    c.fake->camera.insert(u"format"_s, u"RAW+JPEG"_s);
    c.model.applyFix(7);
    ASSERT_TRUE(waitUntil([&] { return c.status(7).kind == Status::Case::passed; }));
    EXPECT_EQ(c.status(7), Status::passed(u"CRAW"_s)) << "the re-check reads what the fix wrote";
}

// Each item asks the camera its own question: one wrong setting stops a pass
// exactly at its item, with what the camera said.
TEST(PreflightChecklistModel, APassStopsAtTheItemWhoseSettingIsWrong) {
    const QList<std::pair<int, std::pair<QString, QString>>> wrongSettings{
        {4, {u"app version"_s, u"16.7.4"_s}},
        {5, {u"name"_s, u"Canon EOS R6 Mark II"_s}},
        {7, {u"format"_s, u"CRAW+JPEG"_s}},
        {10, {u"Shoot/Recording/Playback"_s, u"SD"_s}},
        {11, {u"Shoot/Save To"_s, u"Capture One"_s}},
        {12, {u"Shoot/Wireless Mode"_s, u"Standard"_s}},
        {13, {u"Setup/UTC Time"_s, u"VT_ATTRIBUTE_NOT_FOUND"_s}}};
    for (const auto& [id, setting] : wrongSettings) {
        Checklist c;
        c.fake->preferences.insert(u"CaptureProviders2"_s, 2680);
        c.fake->camera.insert(setting.first, setting.second);
        c.model.runAll();
        ASSERT_TRUE(c.passOver());
        EXPECT_EQ(c.model.runFailedAtIndex(), id - 1) << setting.first.toStdString();
        EXPECT_EQ(c.status(id).kind, Status::Case::failed) << setting.first.toStdString();
    }
}

TEST(PreflightChecklistModel, TheClockPassesWithinAMinuteEitherWayAndUnusableValuesAreUnreadable) {
    Checklist c;
    const qint64 now = c.clock.now().toSecsSinceEpoch();
    EXPECT_EQ(c.check(13, QString::number(now - 59.9, 'f', 1)), Status::passed(u"Within 59s"_s));
    EXPECT_EQ(c.check(13, QString::number(now + 60)), Status::passed(u"Within 60s"_s));
    EXPECT_EQ(c.check(13, QString::number(now - 61) + u"e0"_s), Status::failed(u"Off by 61s"_s));
    for (const QString& unreadable : {u"inf"_s, u"nan"_s, u"1e300"_s, u" 5"_s, u"5 "_s, u""_s, u"1,5"_s})
        EXPECT_EQ(c.check(13, unreadable), Status::failed(u"Unreadable clock value"_s))
            << unreadable.toStdString();
}

TEST(PreflightChecklistModel, CompareVersionsReadsTheFirstNumberInTheText) {
    for (const QString& enough :
         {u"16.8"_s, u"16.8.0"_s, u"16.10"_s, u"17"_s, u"Capture One .16.8.2 (123)"_s})
        EXPECT_TRUE(PreflightChecklistModel::compareVersions(enough, u"16.8"_s)) << enough.toStdString();
    for (const QString& tooOld : {u"16.7.9"_s, u"Capture One"_s, u"16..7 (18)"_s})
        EXPECT_FALSE(PreflightChecklistModel::compareVersions(tooOld, u"16.8"_s)) << tooOld.toStdString();
}

TEST(PreflightChecklistModel, AScriptThatNeverAnswersFailsItsItemAtTheDeadline) {
    Checklist c;
    c.fake->holding = true;
    c.model.runAll();
    ASSERT_TRUE(c.passOver());
    const Status timedOut = Status::failed(u"Capture One did not answer in time"_s);
    EXPECT_EQ(c.status(4), timedOut);
    EXPECT_EQ(c.model.runFailedAtIndex(), 3);
    c.fake->release();
    EXPECT_FALSE(waitUntil([&] { return c.status(4) != timedOut; }, 300)) << "the late answer is dropped";
}

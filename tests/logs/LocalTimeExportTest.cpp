#include "ScopedTimeZone.h"
#include "logs/DebugLog.h"
#include "logs/SessionLog.h"

#include <gtest/gtest.h>

namespace {

// New York springs from 02:00 EST to 03:00 EDT at 07:00 UTC.
const QDateTime springForward(QDate(2024, 3, 10), QTime(7, 0), Qt::UTC);

} // namespace

// Both exports show the wall-clock time of the machine they were saved on, on
// either side of a change of its UTC offset.
TEST(LocalTimeExport, EntriesEitherSideOfADaylightSavingChangeShowLocalTime) {
    if (!ScopedTimeZone::isInstalled("America/New_York"))
        GTEST_SKIP() << "needs tzdata (scripts/setup --tests)";
    ScopedTimeZone newYork("America/New_York");
    const QDateTime before = springForward.addSecs(-30), after = springForward.addSecs(30);

    const QString session = SessionLog::sessionMarkdown(
        {{LogEntry::timestampFrom(before), QStringLiteral("Marginal"), -71, 40, QStringLiteral("before")},
         {LogEntry::timestampFrom(after), QStringLiteral("Offline"), std::nullopt, std::nullopt,
          QStringLiteral("after")}},
        after);
    EXPECT_TRUE(session.contains(QStringLiteral("*Saved: 2024-03-10 03:00:30*"))) << session.toStdString();
    EXPECT_TRUE(session.contains(QStringLiteral("\n| 01:59:30 | Marginal | -71 dBm | before |\n")));
    EXPECT_TRUE(session.contains(QStringLiteral("\n| 03:00:30 | Offline | \u2014 | after |\n")));

    const QString debug = debugMarkdown(
        {{before, QStringLiteral("INFO"), VtCode::authRejected, QStringLiteral("before")},
         {after.addMSecs(250), QStringLiteral("ERROR"), VtCode::authRejected, QStringLiteral("after")}},
        after);
    EXPECT_TRUE(debug.contains(QStringLiteral("*Saved: 2024-03-10 03:00:30*"))) << debug.toStdString();
    EXPECT_TRUE(debug.contains(QStringLiteral("\n| 01:59:30.000 | INFO | VT-2003 | before |\n")));
    EXPECT_TRUE(debug.contains(QStringLiteral("\n| 03:00:30.250 | ERROR | VT-2003 | after |\n")));
}

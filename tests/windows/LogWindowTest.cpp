#include "ScopedTimeZone.h"
#include "TestEnvironment.h"
#include "logs/DebugLog.h"
#include "logs/SessionLog.h"
#include "windows/DebugLogWindow.h"
#include "windows/SessionLogWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The time cells, oldest first, one space between.
QString timeColumn(const QWidget& window) {
    const QAbstractItemModel* rows = window.findChild<QTableView*>(QStringLiteral("logRows"))->model();
    QStringList times;
    for (int row = 0; row < rows->rowCount(); ++row)
        times.append(rows->index(row, 0).data().toString());
    return times.join(u' ');
}

class SessionLogWindowTest : public ::testing::Test {
protected:
    void append(int count) {
        for (int index = 0; index < count; ++index)
            log.append(
                {timestamp += 1, QStringLiteral("Marginal"), -71, 40, QStringLiteral("Target A marginal")});
    }
    // The view lays out new rows on its next turn of the event loop.
    void refreshAndLayOut() {
        window.refresh();
        QCoreApplication::processEvents();
    }
    QScrollBar* scrollBar() {
        return window.findChild<QTableView*>(QStringLiteral("logRows"))->verticalScrollBar();
    }

    TestEnvironment environment;
    QString logPath = environment.path(QStringLiteral("session_log.json"));
    SessionLog log{logPath};
    double timestamp = 700000000;
    SessionLogWindow window{log};
};

// A log opened on old rows starts at the top; each change of the count brings
// the newest row into view, even from where the user had scrolled.
TEST_F(SessionLogWindowTest, followsTheEndWhenTheCountChangesButNotOnOpening) {
    append(200);
    window.present();
    QCoreApplication::processEvents();
    QScrollBar* bar = scrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);

    append(1);
    refreshAndLayOut();
    EXPECT_EQ(bar->value(), bar->maximum());

    bar->setValue(10);
    refreshAndLayOut();
    EXPECT_EQ(bar->value(), 10) << "no new row, no jump";
    append(3);
    refreshAndLayOut();
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(SessionLogWindowTest, refreshesOnlyWhileShownAndCatchesUpOnShowing) {
    auto* timer = window.findChild<QTimer*>(QStringLiteral("refreshTimer"));
    EXPECT_FALSE(timer->isActive()) << "never shown";
    window.present();
    EXPECT_TRUE(timer->isActive());
    window.hide();
    EXPECT_FALSE(timer->isActive());
    append(3);
    window.present();
    EXPECT_EQ(window.findChild<QTableView*>(QStringLiteral("logRows"))->model()->rowCount(), 3)
        << "rows logged while hidden, at once";
    EXPECT_TRUE(timer->isActive());
}

TEST_F(SessionLogWindowTest, savesAtomicallyTellsAFailureAndClearsTheFile) {
    append(2);
    window.present();
    const QString exported = environment.path(QStringLiteral("VtLog.md"));
    ASSERT_TRUE(window.saveTo(exported));
    const QString text = readText(exported);
    EXPECT_EQ(text.count(QStringLiteral("Target A marginal")), 2);
    EXPECT_EQ(text.left(40), SessionLog::sessionMarkdown(log.entries()).left(40));

    EXPECT_FALSE(window.saveTo(environment.path(QStringLiteral("missing/folder/VtLog.md"))));
    auto* message = window.findChild<QMessageBox*>(QStringLiteral("saveFailedMessage"));
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->isVisible());
    message->close();

    ASSERT_TRUE(QFile::exists(logPath));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("clearButton")), Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(logPath));
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("emptyText"))->isVisible());
}

TEST(DebugLogWindowTest, clearEmptiesTheSharedLogAndSaveWritesItsTable) {
    TestEnvironment environment;
    DebugLog log;
    log.log(QStringLiteral("ERROR"), VtCode::transportFailed, QStringLiteral("ssh exited 255"));
    DebugLogWindow window(log);
    window.present();
    EXPECT_FALSE(window.findChild<QLabel*>(QStringLiteral("emptyText"))->isVisible());

    const QString exported = environment.path(QStringLiteral("VtDebugLog.md"));
    ASSERT_TRUE(window.saveTo(exported));
    EXPECT_TRUE(readText(exported).contains(QStringLiteral("ssh exited 255")));

    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("clearButton")), Qt::LeftButton);
    EXPECT_TRUE(log.entries().isEmpty());
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("emptyText"))->isVisible());
}

// Both windows list the wall-clock time, as their exports do, on either side of
// New York's spring-forward at 07:00 UTC.
TEST(LogWindowRows, TimesAreLocalEitherSideOfADaylightSavingChange) {
    if (!ScopedTimeZone::isInstalled("America/New_York"))
        GTEST_SKIP() << "needs tzdata (scripts/setup --tests)";
    ScopedTimeZone newYork("America/New_York");
    TestEnvironment environment;
    const QDateTime before(QDate(2024, 3, 10), QTime(6, 59, 30), Qt::UTC), after = before.addSecs(60);

    SessionLog sessionLog(environment.path(QStringLiteral("session_log.json")));
    for (const QDateTime& moment : {before, after})
        sessionLog.append({LogEntry::timestampFrom(moment), QStringLiteral("Critical"), -80, 10, QString()});
    SessionLogWindow sessionWindow(sessionLog);
    EXPECT_EQ(timeColumn(sessionWindow), QStringLiteral("01:59:30 03:00:30"));

    DebugLog debugLog;
    debugLog.setEntries({{before, QStringLiteral("INFO"), VtCode::authRejected, {}},
                         {after, QStringLiteral("INFO"), VtCode::authRejected, {}}});
    DebugLogWindow debugWindow(debugLog);
    EXPECT_EQ(timeColumn(debugWindow), QStringLiteral("01:59:30.000 03:00:30.000"));
}

} // namespace

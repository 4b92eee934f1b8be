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
#include <gtest/gtest.h>

namespace {

QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
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

} // namespace

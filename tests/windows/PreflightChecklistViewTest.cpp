#include "windows/PreflightChecklistView.h"

#include "TestEnvironment.h"
#include "monitor/FakeClock.h"
#include "monitor/FakeWirelessLink.h"
#include "preflight/FakeApplicationScripting.h"
#include "preflight/FakeComputer.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(PreflightChecklistViewTest, TheFooterFollowsThePassAndEveryFixWaitsForConfirmation) {
    auto fake = std::make_shared<FakeApplicationScripting>();
    FakeClock clock;
    fake->tetherHealthyCamera(clock.now().toSecsSinceEpoch());
    QThreadPool pool;
    CaptureOneManager manager{fake, pool};
    PreflightChecklistModel model{manager, clock};
    FakeWirelessLink wifi;
    ComputerChecklistModel computer{readersOf(std::make_shared<FakeComputer>()), wifi,
                                    [] { return QList<CameraAddress>(); },
                                    [](const QString&) { return false; }, pool};
    PreflightChecklistView view{model, computer};
    view.show();
    auto* runAll = view.findChild<QPushButton*>(u"runAllButton"_s);
    auto* close = view.findChild<QPushButton*>(u"closeButton"_s);
    EXPECT_EQ(runAll->text(), u"Check All"_s);

    QTest::mouseClick(runAll, Qt::LeftButton);
    EXPECT_FALSE(runAll->isEnabled()) << "disabled while the pass runs";
    ASSERT_TRUE(waitUntil([&] { return runAll->isEnabled(); }));
    EXPECT_EQ(runAll->text(), u"Try Again"_s);
    auto* row6 = view.findChild<QWidget*>(u"preflightCheckRow6"_s);
    EXPECT_EQ(row6->findChild<QLabel*>(u"statusText"_s)->text(), u"Unknown"_s);
    auto* fix = row6->findChild<QPushButton*>(u"fixButton"_s);
    ASSERT_TRUE(fix->isVisible());
    const auto answerDialog = [&](const QString& button) {
        QTest::mouseClick(fix, Qt::LeftButton);
        auto* dialog = view.findChild<QMessageBox*>(u"confirmChangeDialog"_s);
        EXPECT_EQ(dialog->windowTitle(), u"Confirm Change"_s);
        EXPECT_EQ(dialog->text(), model.items().at(5).fixConfirmationText);
        for (QAbstractButton* choice : dialog->buttons())
            if (choice->text() == button)
                QTest::mouseClick(choice, Qt::LeftButton);
    };
    answerDialog(u"Cancel"_s);
    EXPECT_EQ(model.items().at(5).status, PreflightStatus::failed(u"Unknown"_s));
    answerDialog(u"Confirm"_s);
    ASSERT_TRUE(waitUntil([&] { return !fix->isVisible(); }));

    EXPECT_FALSE(close->isDefault());
    QTest::mouseClick(runAll, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return model.isComplete(); }));
    EXPECT_EQ(runAll->text(), u"Completed"_s);
    EXPECT_TRUE(close->isDefault());
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(view.isVisible());
}

// Run on the default offscreen screen and, from the build files, on a laptop's
// and on 1080p at 150 %: on each the rows (some 900 px) are taller than the room.
TEST(PreflightChecklistViewTest, TheRowsScrollSoThatTheWindowAndItsFooterStayOnTheScreen) {
    QThreadPool pool;
    FakeClock clock;
    CaptureOneManager manager{std::make_shared<FakeApplicationScripting>(), pool};
    PreflightChecklistModel model{manager, clock};
    FakeWirelessLink wifi;
    ComputerChecklistModel computer{readersOf(std::make_shared<FakeComputer>()), wifi,
                                    [] { return QList<CameraAddress>(); },
                                    [](const QString&) { return false; }, pool};
    PreflightChecklistView view{model, computer};
    view.show();
    const QRect available = view.screen()->availableGeometry();
    ASSERT_LT(available.height(), 844) << "a screen with room for every row proves nothing";
    EXPECT_TRUE(available.contains(view.frameGeometry()));
    EXPECT_EQ(view.frameGeometry().height(), available.height()) << "all the room the screen has";

    auto* rows = view.findChild<QScrollArea*>(u"checklistRows"_s);
    QCoreApplication::processEvents();
    EXPECT_GT(rows->verticalScrollBar()->maximum(), 0);
    for (const QString& name : {u"runAllButton"_s, u"closeButton"_s}) {
        auto* button = view.findChild<QPushButton*>(name);
        EXPECT_FALSE(rows->isAncestorOf(button)) << name.toStdString();
        EXPECT_TRUE(view.rect().contains(QRect(button->mapTo(&view, QPoint()), button->size())))
            << name.toStdString();
    }
}

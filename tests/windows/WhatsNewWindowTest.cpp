#include "windows/WhatsNewWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(WhatsNewWindowTest, listsTheGivenEntriesFromMarkdownUntilGotIt) {
    WhatsNewWindow window;
    const QList<WhatsNewEntry> entries{
        {QUuid::createUuid(), QStringLiteral("26080208"), QStringLiteral("**Bold news**\\\nSecond line.")},
        {QUuid::createUuid(), QStringLiteral("26080208"), QStringLiteral("Plain note.")},
    };
    window.present(entries.mid(0, 1));
    window.present(entries);

    const QList<QLabel*> rows = window.findChildren<QLabel*>(QStringLiteral("whatsNewEntry"));
    ASSERT_EQ(rows.size(), 2) << "a second presentation replaces the rows";
    EXPECT_EQ(rows.at(0)->textFormat(), Qt::MarkdownText);
    EXPECT_EQ(rows.at(0)->text(), entries.at(0).text);
    EXPECT_EQ(rows.at(1)->text(), entries.at(1).text);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("What's New in Veltrano"));

    ASSERT_TRUE(window.isVisible());
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("gotItButton")), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
}

} // namespace

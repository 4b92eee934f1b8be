#include "display/TrayStatusItem.h"

#include "TestEnvironment.h"
#include "app/DemoStatusItem.h"
#include "display/TitleIconCache.h"
#include "monitor/SignalState.h"

#include <QMenu>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

StatusTitle title(const QString& text, const RgbColour& colour, std::optional<RgbColour> background = {}) {
    return StatusTitle{{TitleRun{text, colour, background}},
                       QStringLiteral("A \u00b7 Critical \u00b7 -78 dBm")};
}

// Counts what would reach the panel, and plays a panel that appears late.
class CountingTrayStatusItem : public TrayStatusItem {
public:
    using TrayStatusItem::TrayStatusItem;

    int iconChanges = 0;
    QStringList toolTips;
    bool trayPresent = false;

protected:
    void applyIcon(const QIcon&) override { ++iconChanges; }
    void applyToolTip(const QString& text) override { toolTips.append(text); }
    bool systemTrayAvailable() const override { return trayPresent; }
};

TEST(TrayStatusItemTest, unchangedTitleReachesThePanelOnce) {
    QMenu menu;
    CountingTrayStatusItem item(&menu);
    const StatusTitle critical = title(QStringLiteral(" -78*5G"), Colour::black, Colour::systemRed);
    item.setTitle(critical);
    item.setTitle(critical);
    item.setTitle(title(QStringLiteral(" -78*5G"), Colour::systemRed));
    EXPECT_EQ(item.iconChanges, 2);
    EXPECT_EQ(item.toolTips, QStringList{QStringLiteral("A \u00b7 Critical \u00b7 -78 dBm")});

    // In demo mode the tooltip says so.
    DemoStatusItem(item).setTitle(title(QStringLiteral(" -78*5G"), Colour::systemRed));
    EXPECT_EQ(item.toolTips.last(), QStringLiteral("Demo \u2014 A \u00b7 Critical \u00b7 -78 dBm"));

    // A name in it reads the same to hosts that take markup and to those that do not.
    item.setTitle(StatusTitle{{TitleRun{QStringLiteral(" -60"), Colour::excellentTeal, std::nullopt}},
                              QStringLiteral("<b>Bob</b> & <img src=\"/x\"/>")});
    EXPECT_EQ(item.toolTips.last(),
              QStringLiteral("\u2039b\u203ABob\u2039/b\u203A \uFF06 \u2039img src=\"/x\"/\u203A"));
}

TEST(TrayStatusItemTest, searchFindsALateTrayByRetryingOrGivesUp) {
    for (const bool trayAppears : {true, false}) {
        QMenu menu;
        CountingTrayStatusItem item(&menu, 10ms);
        std::optional<bool> found;
        QObject::connect(&item, &TrayStatusItem::traySearchFinished,
                         [&](bool available) { found = available; });
        item.show();
        EXPECT_FALSE(found.has_value());
        item.trayPresent = trayAppears;
        ASSERT_TRUE(waitUntil([&] { return found.has_value(); }));
        EXPECT_EQ(*found, trayAppears);
        EXPECT_EQ(item.isTrayAvailable(), trayAppears);
    }
}

TEST(TitleIconCacheTest, flashPhasesReuseTheirIconsAndTheCacheStaysBounded) {
    TitleIconCache cache(4);
    const StatusTitle on = title(QStringLiteral(" -78*5G"), Colour::black, Colour::systemRed);
    const StatusTitle off = title(QStringLiteral(" -78*5G"), Colour::systemRed);
    const qint64 onKey = cache.icon(on).cacheKey();
    const qint64 offKey = cache.icon(off).cacheKey();
    for (int step = 0; step < 10; ++step) {
        EXPECT_EQ(cache.icon(on).cacheKey(), onKey);
        EXPECT_EQ(cache.icon(off).cacheKey(), offKey);
    }
    EXPECT_EQ(cache.size(), 2);

    for (int rssi = -60; rssi > -70; --rssi)
        cache.icon(title(QLatin1Char(' ') + QString::number(rssi), Colour::excellentTeal));
    EXPECT_EQ(cache.size(), 4);
    EXPECT_NE(cache.icon(on).cacheKey(), onKey) << "the oldest title should have been dropped";

    // Each size a host may ask for is drawn, even before the first title.
    const QIcon empty = cache.icon(StatusTitle{});
    ASSERT_EQ(empty.availableSizes().size(), static_cast<qsizetype>(TitleIconCache::iconSizes.size()));
    for (const int size : TitleIconCache::iconSizes) {
        const QImage picture = empty.pixmap(size).toImage();
        EXPECT_EQ(picture.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(picture.pixel(size / 2, size / 2)), 255) << size << " px is empty";
    }
}

} // namespace

#include "windows/ScreenFit.h"

#include <gtest/gtest.h>

namespace {

// 1366 × 768 under a 32 px top panel, and 1080p at 150 % (1280 × 720) under a
// 28 px bottom panel, right of the laptop.
const QRect laptop(0, 32, 1366, 736);
const QRect scaledMonitor(1366, 0, 1280, 692);

} // namespace

TEST(ScreenFit, AFrameThatFitsStaysWhereItIs) {
    EXPECT_EQ(fitFrameInto(QRect(483, 100, 400, 500), laptop), QRect(483, 100, 400, 500));
    EXPECT_EQ(fitFrameInto(QRect(483, 100, 400, 500), QRect()), QRect(483, 100, 400, 500))
        << "no screen, nothing to fit";
}

TEST(ScreenFit, ATallFrameShrinksToTheAreaAndMovesTheLeastIntoIt) {
    EXPECT_EQ(fitFrameInto(QRect(483, 0, 400, 948), laptop), QRect(483, 32, 400, 736)) << "under the panel";
    EXPECT_EQ(fitFrameInto(QRect(1200, 600, 400, 300), laptop), QRect(966, 468, 400, 300))
        << "off the corner";
    EXPECT_EQ(fitFrameInto(QRect(1300, -40, 400, 844), scaledMonitor), QRect(1366, 0, 400, 692))
        << "onto the second screen";
    EXPECT_EQ(fitFrameInto(QRect(0, 0, 1500, 900), scaledMonitor), scaledMonitor);
}

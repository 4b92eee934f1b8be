#include "display/FloatingSignalView.h"

#include "display/FloatingSignalState.h"
#include "display/QtColour.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

QImage snapshot(FloatingSignalView& view) {
    return view.grab().toImage();
}

QRgb rgb(const RgbColour& colour) {
    return toQColor(colour).rgb();
}

int darkenedPixels(const QImage& image, const QRect& area, const RgbColour& fill) {
    const int fillLightness = toQColor(fill).lightness();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y).lightness() < fillLightness / 2 ? 1 : 0;
    }
    return count;
}

class FloatingSignalViewTest : public ::testing::Test {
protected:
    FloatingSignalState state;
    FloatingSignalView view{state, QFont(QStringLiteral("DejaVu Sans"), -1, QFont::Black)};

    void SetUp() override { view.resize(400, 200); }
};

TEST_F(FloatingSignalViewTest, freshStateShowsTheWindowBackground) {
    const QImage image = snapshot(view);
    EXPECT_EQ(image.pixel(200, 100), view.palette().color(QPalette::Window).rgb());
}

TEST_F(FloatingSignalViewTest, singleColourFillsEdgeToEdgeWithoutLabels) {
    state.setColorA(Colour::systemRed);
    state.setLabelA(QStringLiteral("A"));
    const QImage image = snapshot(view);
    for (const QPoint point : {QPoint(0, 0), QPoint(100, 100), QPoint(200, 100), QPoint(399, 199)})
        EXPECT_EQ(image.pixel(point), rgb(Colour::systemRed)) << point.x() << "," << point.y();
}

TEST_F(FloatingSignalViewTest, splitShowsTwoHalvesLabelsAndWhiteDivider) {
    state.setColorA(Colour::systemRed);
    state.setColorB(Colour::excellentTeal);
    state.setLabelA(QStringLiteral("A"));
    state.setLabelB(QStringLiteral("B"));
    QImage image = snapshot(view);
    EXPECT_EQ(image.pixel(5, 5), rgb(Colour::systemRed));
    EXPECT_EQ(image.pixel(394, 194), rgb(Colour::excellentTeal));
    EXPECT_EQ(image.pixel(199, 5), qRgb(255, 255, 255));
    // The glow lightens the half next to the divider.
    EXPECT_GT(qGreen(image.pixel(196, 5)), qGreen(rgb(Colour::systemRed)));
    // Each label darkens part of its half: black at about half opacity.
    EXPECT_GT(darkenedPixels(image, QRect(20, 0, 160, 200), Colour::systemRed), 1000);
    EXPECT_GT(darkenedPixels(image, QRect(220, 0, 160, 200), Colour::excellentTeal), 1000);

    state.setColorB(std::nullopt);
    image = snapshot(view);
    EXPECT_EQ(image.pixel(100, 100), rgb(Colour::systemRed));
    EXPECT_EQ(image.pixel(199, 5), rgb(Colour::systemRed));
}

} // namespace

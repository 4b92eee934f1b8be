#include "display/TitleIconRenderer.h"

#include "display/QtColour.h"
#include "monitor/SignalState.h"

#include <QMap>
#include <cmath>
#include <gtest/gtest.h>

namespace {

double luminance(QColor colour) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double contrastRatio(QColor one, QColor other) {
    const auto [darker, lighter] = std::minmax(luminance(one), luminance(other));
    return (lighter + 0.05) / (darker + 0.05);
}

// The plate and the digits on it are the two colours most opaque pixels have;
// the glyphs' edges are blends of both.
std::pair<QRgb, QRgb> plateAndInk(const QImage& icon) {
    QMap<QRgb, int> counts;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const QRgb pixel = icon.pixel(x, y);
            if (qAlpha(pixel) == 255)
                ++counts[pixel];
        }
    }
    QList<std::pair<int, QRgb>> byCount;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byCount.append({it.value(), it.key()});
    std::sort(byCount.begin(), byCount.end(), std::greater<>());
    return {byCount.value(0).second, byCount.value(1).second};
}

int inkRows(const QImage& icon, QRgb ink) {
    int first = icon.height();
    int last = -1;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            if (icon.pixel(x, y) == ink) {
                first = std::min(first, y);
                last = y;
            }
        }
    }
    return last - first + 1;
}

// Whatever the panel's colour, each state's digits stand out from what is drawn
// right behind them, steady and in the flash, and fill the height of a 22 px panel.
TEST(TitleIconRendererTest, everyStateReadsOnItsPlateAtPanelSize) {
    for (const SignalState state :
         {SignalState::excellent, SignalState::marginal, SignalState::critical, SignalState::offline}) {
        const QString text =
            state == SignalState::offline ? QStringLiteral(" -- ") : QStringLiteral(" -64*5G");
        QList<TitleRun> phases{{text, stateColour(state), std::nullopt}};
        if (isAlertingState(state))
            phases.append({text, Colour::black, stateColour(state)});
        for (const TitleRun& run : phases) {
            SCOPED_TRACE(stateName(state).toStdString() + (run.background ? " flashing" : " steady"));
            const QImage icon = TitleIconRenderer().render(StatusTitle{{run}, QString()}, 22);
            ASSERT_EQ(icon.size(), QSize(22, 22));
            const auto [plate, ink] = plateAndInk(icon);
            EXPECT_EQ(ink, toQColor(run.foreground).rgb())
                << "the commonest colours are not plate and digits";
            EXPECT_GE(contrastRatio(QColor(plate), QColor(ink)), 3.0);
            if (state != SignalState::offline) {
                EXPECT_GE(inkRows(icon, ink), 12);
            }
        }
    }
}

TEST(TitleIconRendererTest, eachTargetHasItsOwnPlateAndAFlashingOneIsFilled) {
    const StatusTitle split{{TitleRun{QStringLiteral(" -78*5G"), Colour::black, Colour::systemRed},
                             TitleRun{QStringLiteral("|"), Colour::secondaryLabel, std::nullopt},
                             TitleRun{QStringLiteral(" -52*5G"), Colour::excellentTeal, std::nullopt}},
                            QString()};
    const QImage icon = TitleIconRenderer().render(split, 64);
    ASSERT_EQ(icon.size(), QSize(64, 64));
    // Beside the digits, inside each plate; between them, the panel shows through.
    EXPECT_EQ(icon.pixel(1, 15), toQColor(Colour::systemRed).rgb());
    EXPECT_EQ(icon.pixel(1, 48), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(icon.pixel(32, 32)), 0);
}

} // namespace

#include "display/FloatingSignalView.h"

#include "display/FloatingSignalState.h"
#include "display/QtColour.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

namespace {

constexpr qreal dividerWidth = 2.0;
constexpr qreal glowRadius = 6.0;
constexpr qreal glowOpacity = 0.9;
// Dark enough to read on teal, yellow and red, light enough to stay a tint of it.
constexpr qreal labelOpacity = 0.525;
// Share of the half's smaller side the label's letters fill.
constexpr qreal labelShareOfHalf = 0.55;

} // namespace

FloatingSignalView::FloatingSignalView(FloatingSignalState& state, const QFont& idFont, QWidget* parent)
    : QWidget(parent)
    , state(state)
    , idFont(idFont) {
    connect(&state, &FloatingSignalState::changed, this, qOverload<>(&QWidget::update));
}

void FloatingSignalView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF whole = rect();
    const QColor colourA = state.colorA() ? toQColor(*state.colorA()) : palette().color(QPalette::Window);
    if (!state.colorB()) {
        painter.fillRect(whole, colourA);
        return;
    }

    const qreal halfWidth = (whole.width() - dividerWidth) / 2;
    const QRectF left(whole.left(), whole.top(), halfWidth, whole.height());
    const QRectF right(left.right() + dividerWidth, whole.top(), whole.right() - left.right() - dividerWidth,
                       whole.height());
    painter.fillRect(left, colourA);
    painter.fillRect(right, toQColor(*state.colorB()));

    // The glow: white fading out over the radius on both sides of the bar.
    QColor glow(Qt::white);
    glow.setAlphaF(static_cast<float>(glowOpacity / 2));
    QColor clear(Qt::white);
    clear.setAlphaF(0);
    const qreal barLeft = left.right();
    const qreal barRight = barLeft + dividerWidth;
    QLinearGradient leftGlow(barLeft, 0, barLeft - glowRadius, 0);
    leftGlow.setColorAt(0, glow);
    leftGlow.setColorAt(1, clear);
    painter.fillRect(QRectF(barLeft - glowRadius, whole.top(), glowRadius, whole.height()), leftGlow);
    QLinearGradient rightGlow(barRight, 0, barRight + glowRadius, 0);
    rightGlow.setColorAt(0, glow);
    rightGlow.setColorAt(1, clear);
    painter.fillRect(QRectF(barRight, whole.top(), glowRadius, whole.height()), rightGlow);
    painter.fillRect(QRectF(barLeft, whole.top(), dividerWidth, whole.height()), Qt::white);

    drawLabel(painter, left, state.labelA());
    drawLabel(painter, right, state.labelB());
}

void FloatingSignalView::drawLabel(QPainter& painter, const QRectF& half, const QString& label) const {
    if (label.isEmpty())
        return;
    QFont font = idFont;
    font.setPixelSize(
        std::max(1, static_cast<int>(std::min(half.width(), half.height()) * labelShareOfHalf)));
    QColor ink(Qt::black);
    ink.setAlphaF(static_cast<float>(labelOpacity));
    painter.setFont(font);
    painter.setPen(ink);
    painter.drawText(half, Qt::AlignCenter, label);
}

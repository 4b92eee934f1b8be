#include "windows/ScanningBrandText.h"

#include "display/QtColour.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal bandWidth = 160;
constexpr qreal bandShift = 90;
constexpr int sweepMilliseconds = 2400;

} // namespace

ScanningBrandText::ScanningBrandText(const QString& text, const QFont& font, QWidget* parent)
    : QWidget(parent)
    , text(text) {
    setFont(font);
    // The letters are painted from the top-left corner: any extra room would
    // move them off the line of the words beside them.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Out and back in one loop: the band reverses at the end of each sweep.
    sweep.setDuration(2 * sweepMilliseconds);
    sweep.setKeyValueAt(0.0, 0.0);
    sweep.setKeyValueAt(0.5, 1.0);
    sweep.setKeyValueAt(1.0, 0.0);
    sweep.setLoopCount(-1);
    connect(&sweep, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

QSize ScanningBrandText::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void ScanningBrandText::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    sweep.start();
}

void ScanningBrandText::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    sweep.stop();
}

void ScanningBrandText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    QPainterPath letters;
    letters.addText(0, metrics.ascent(), font(), text);
    painter.fillPath(letters, toQColor(Colour::secondaryLabel));

    const qreal progress = sweep.state() == QAbstractAnimation::Running ? sweep.currentValue().toReal() : 0;
    const qreal centre = width() / 2.0 - bandShift + 2 * bandShift * progress;
    const QRectF band(centre - bandWidth / 2, 0, bandWidth, height());
    QLinearGradient colours(band.left(), 0, band.right(), 0);
    colours.setColorAt(0, toQColor(Colour::veltranoBlue));
    colours.setColorAt(0.5, toQColor(Colour::slotBMagenta));
    colours.setColorAt(1, toQColor(Colour::veltranoBlue));
    painter.setClipRect(band);
    painter.fillPath(letters, colours);
}

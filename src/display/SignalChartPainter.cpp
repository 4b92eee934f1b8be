#include "display/SignalChartPainter.h"

#include "display/QtColour.h"
#include "logs/SignalChart.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace {

// Neither colour is a state's: the lines must stay readable across every span.
const QColor rssiColour(28, 113, 216);
const QColor rateColour(145, 65, 172);
const QColor axisColour(70, 70, 70);
const QColor gridColour(225, 225, 225);
const QColor markColour(90, 90, 90);

QFont pixelFont(int pixels, QFont::Weight weight = QFont::Normal) {
    QFont font;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

void drawLines(QPainter& painter, const QList<QList<QPointF>>& lines, const QPen& pen) {
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const QList<QPointF>& line : lines) {
        if (line.size() == 1)
            painter.drawPoint(line.first());
        else
            painter.drawPolyline(line.constData(), static_cast<int>(line.size()));
    }
}

// A line wider than a pixel is stroked as one filled outline, whose cost grows
// with every turn: a range with more readings than pixels (eight hours on one
// chart) took over a second that way. Those get the one-pixel line, which Qt
// draws directly; a sparse range keeps the bolder one.
qreal lineWidth(const SignalChartGeometry& chart, qreal sparseWidth) {
    qsizetype points = 0;
    for (const QList<QPointF>& line : chart.rssiLines)
        points += line.size();
    return static_cast<qreal>(points) > chart.plot.width() ? 1.0 : sparseWidth;
}

void drawShading(QPainter& painter, const SignalChartGeometry& chart) {
    QColor dropColour = toQColor(Colour::systemRed);
    dropColour.setAlphaF(0.14f);
    for (const QRectF& drop : chart.drops)
        painter.fillRect(drop, dropColour);
    QColor hatchColour = axisColour;
    hatchColour.setAlphaF(0.55f);
    for (const QRectF& outage : chart.outages)
        painter.fillRect(outage, QBrush(hatchColour, Qt::BDiagPattern));
    for (const SignalChartGeometry::StateSpan& span : chart.stateSpans)
        painter.fillRect(span.rect, toQColor(stateColour(span.state)));
}

void drawAxes(QPainter& painter, const SignalChartGeometry& chart) {
    const QRectF plot = chart.plot;
    painter.setFont(pixelFont(11));
    const QFontMetricsF metrics(painter.font());
    const qreal gap = 6;
    for (const SignalChartGeometry::Tick& tick : chart.rssiTicks) {
        painter.setPen(QPen(gridColour, 1));
        painter.drawLine(QPointF(plot.left(), tick.at), QPointF(plot.right(), tick.at));
        painter.setPen(rssiColour);
        const QRectF label(0, tick.at - metrics.height() / 2, plot.left() - gap, metrics.height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, tick.label);
    }
    painter.setPen(rateColour);
    for (const SignalChartGeometry::Tick& tick : chart.rateTicks) {
        const QRectF label(plot.right() + gap, tick.at - metrics.height() / 2,
                           chart.size.width() - plot.right(), metrics.height());
        painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, tick.label);
    }
    painter.setPen(axisColour);
    // Labels that would run into the one before are left out rather than overprinted.
    qreal lastRight = -1;
    for (const SignalChartGeometry::Tick& tick : chart.timeTicks) {
        painter.drawLine(QPointF(tick.at, plot.bottom()), QPointF(tick.at, plot.bottom() + 4));
        const qreal width = metrics.horizontalAdvance(tick.label);
        const qreal left = tick.at - width / 2;
        if (left <= lastRight + gap)
            continue;
        painter.drawText(QRectF(left, plot.bottom() + gap, width, metrics.height()), Qt::AlignCenter,
                         tick.label);
        lastRight = left + width;
    }
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.topLeft(), plot.bottomLeft());
    painter.drawLine(plot.topRight(), plot.bottomRight());

    // Clear of the top tick's label, which is centred on the plot's edge.
    const qreal unitsTop = std::max(0.0, plot.top() - 2 * metrics.height());
    painter.setPen(rssiColour);
    painter.drawText(QRectF(0, unitsTop, plot.left() - gap, metrics.height()), Qt::AlignRight,
                     QStringLiteral("dBm"));
    painter.setPen(rateColour);
    painter.drawText(
        QRectF(plot.right() + gap, unitsTop, chart.size.width() - plot.right(), metrics.height()),
        Qt::AlignLeft, QStringLiteral("Mbit/s"));
}

void drawMarks(QPainter& painter, const SignalChartGeometry& chart) {
    const QRectF plot = chart.plot;
    painter.setFont(pixelFont(10));
    const QFontMetricsF metrics(painter.font());
    QPen dashed(markColour, 1, Qt::DashLine);
    qreal lastRight = -1;
    for (const SignalChartGeometry::Mark& mark : chart.marks) {
        painter.setPen(dashed);
        painter.drawLine(QPointF(mark.x, plot.top()), QPointF(mark.x, plot.bottom()));
        // Roams close together would print over each other; the line still shows each.
        const QString label = metrics.elidedText(mark.label, Qt::ElideRight, plot.right() - mark.x - 6);
        const QRectF box(mark.x + 3, plot.top() + 2, metrics.horizontalAdvance(label) + 4, metrics.height());
        if (label.isEmpty() || box.left() <= lastRight)
            continue;
        painter.fillRect(box, QColor(255, 255, 255, 210));
        painter.setPen(markColour);
        painter.drawText(box, Qt::AlignCenter, label);
        lastRight = box.right();
    }
}

} // namespace

namespace SignalChartPainter {

void paint(QPainter& painter, const SignalChartGeometry& chart) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(QPointF(0, 0), chart.size), Qt::white);
    drawShading(painter, chart);
    drawAxes(painter, chart);
    drawLines(painter, chart.rateLines,
              QPen(rateColour, lineWidth(chart, 1.2), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    drawLines(painter, chart.rssiLines,
              QPen(rssiColour, lineWidth(chart, 2), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    drawMarks(painter, chart);
    painter.setPen(Qt::black);
    painter.setFont(pixelFont(13, QFont::DemiBold));
    painter.drawText(QRectF(chart.plot.left(), 4, chart.plot.width(), 20), Qt::AlignLeft | Qt::AlignVCenter,
                     chart.title);
    painter.restore();
}

QImage stackedImage(const HistorySnapshot& snapshot, int width, int chartHeight) {
    QList<TargetSlot> slots = SignalChart::slotsIn(snapshot);
    if (slots.isEmpty())
        slots.append(TargetSlot::a);
    QImage image(width, chartHeight * static_cast<int>(slots.size()), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const TargetSlot slot : slots) {
        const SignalChartGeometry chart = SignalChart::layout(
            snapshot, slot, SignalChart::chartTitle(snapshot, slot), QSizeF(width, chartHeight));
        paint(painter, chart);
        painter.translate(0, chartHeight);
    }
    return image;
}

} // namespace SignalChartPainter

QByteArray SignalChartPainter::png(const HistorySnapshot& snapshot) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    stackedImage(snapshot).save(&buffer, "PNG");
    return bytes;
}

#include "windows/SignalChartView.h"

#include "display/SignalChartPainter.h"
#include "logs/SignalChart.h"

#include <QCursor>
#include <QDateTime>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int chartHeight = 260;
// The hover text sits this far from the pointer so it never hides the line under it.
constexpr int hoverOffset = 14;

// "14:03:27 · -67 dBm · 433 Mbit/s · Marginal · 5 GHz · Studio East".
QString readingText(const HistoryReading& reading) {
    QStringList fields{
        QDateTime::fromMSecsSinceEpoch(reading.timeMs).toLocalTime().toString(QStringLiteral("HH:mm:ss"))};
    if (reading.rssi != 0)
        fields << QStringLiteral("%1 dBm").arg(reading.rssi);
    if (reading.rateMbps != 0)
        fields << QStringLiteral("%1 Mbit/s").arg(reading.rateMbps);
    fields << stateName(reading.state);
    if (!reading.band.isEmpty())
        fields << reading.band;
    if (!reading.accessPoint.isEmpty())
        fields << reading.accessPoint;
    return fields.join(QStringLiteral(" \u00b7 "));
}

} // namespace

SignalChartView::SignalChartView(TargetSlot slot, QWidget* parent)
    : QWidget(parent)
    , chartSlot(slot)
    , hover(new QLabel(this)) {
    setObjectName(slot == TargetSlot::a ? QStringLiteral("chartA") : QStringLiteral("chartB"));
    setMouseTracking(true);
    setFixedHeight(chartHeight);
    hover->setObjectName(QStringLiteral("hoverReading"));
    hover->setAttribute(Qt::WA_TransparentForMouseEvents);
    hover->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 235); color: black;"
                                        " border: 1px solid #999; border-radius: 4px; padding: 3px 6px;"));
    hover->hide();
}

void SignalChartView::setSnapshot(const HistorySnapshot& next) {
    snapshot = next;
    layOut();
    if (hover->isVisible())
        showReadingAt(mapFromGlobal(QCursor::pos()));
}

void SignalChartView::layOut() {
    chart = SignalChart::layout(snapshot, chartSlot, SignalChart::chartTitle(snapshot, chartSlot),
                                QSizeF(size()));
    update();
}

void SignalChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    SignalChartPainter::paint(painter, chart);
}

void SignalChartView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void SignalChartView::mouseMoveEvent(QMouseEvent* event) {
    showReadingAt(event->position());
}

void SignalChartView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hover->hide();
}

void SignalChartView::showReadingAt(QPointF position) {
    const std::optional<HistoryReading> reading = SignalChart::readingAt(snapshot, chart, position.x());
    if (!reading || !rect().contains(position.toPoint())) {
        hover->hide();
        return;
    }
    hover->setText(readingText(*reading));
    hover->adjustSize();
    // Left of the pointer once the text would run off the right edge.
    int x = int(position.x()) + hoverOffset;
    if (x + hover->width() > width())
        x = std::max(0, int(position.x()) - hoverOffset - hover->width());
    hover->move(x, std::clamp(int(position.y()) + hoverOffset, 0, std::max(0, height() - hover->height())));
    hover->show();
    hover->raise();
}

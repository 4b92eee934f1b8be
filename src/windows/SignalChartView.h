#pragma once

#include "logs/HistorySnapshot.h"
#include "logs/SignalChartGeometry.h"

#include <QWidget>

class QLabel;

// One target's chart in the "Signal History" window, laid out at the view's own
// size; hovering it tells the reading under the pointer.
class SignalChartView : public QWidget {
    Q_OBJECT
public:
    SignalChartView(TargetSlot slot, QWidget* parent = nullptr);

    void setSnapshot(const HistorySnapshot& snapshot);
    TargetSlot slot() const { return chartSlot; }
    // What is painted now, in the view's pixels.
    const SignalChartGeometry& chartGeometry() const { return chart; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void layOut();
    void showReadingAt(QPointF position);

    const TargetSlot chartSlot;
    HistorySnapshot snapshot;
    SignalChartGeometry chart;
    QLabel* hover;
};

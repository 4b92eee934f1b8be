#pragma once

#include <QFont>
#include <QWidget>

class FloatingSignalState;

// The floating read-out: one colour edge to edge, or two halves with their slot
// labels. It only draws the state it is given and redraws when that changes.
class FloatingSignalView : public QWidget {
    Q_OBJECT
public:
    // `idFont` gives the labels' face; their size follows the half they sit on.
    FloatingSignalView(FloatingSignalState& state, const QFont& idFont, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawLabel(QPainter& painter, const QRectF& half, const QString& label) const;

    FloatingSignalState& state;
    QFont idFont;
};

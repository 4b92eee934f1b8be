#pragma once

#include "monitor/SignalState.h"
#include "monitor/TargetSlot.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

// One target's chart, laid out in pixels: what the window paints and the report
// writes as SVG, so both show the same picture of the same rows.
struct SignalChartGeometry {
    struct StateSpan {
        QRectF rect;
        SignalState state;
    };
    // A roam or a band change, at the first reading after it.
    struct Mark {
        qreal x = 0;
        QString label;
    };
    struct Tick {
        qreal at = 0;
        QString label;
    };

    TargetSlot slot = TargetSlot::a;
    QString title;
    QSizeF size;
    // The area inside the axes; everything below lies within it.
    QRectF plot;
    // The state's colour along the time axis, one span per run of one state.
    QList<StateSpan> stateSpans;
    // Each line is broken where there was no reading, so a gap is not drawn as a slope.
    QList<QList<QPointF>> rssiLines;
    QList<QList<QPointF>> rateLines;
    // Critical or offline stretches (shaded) and router outages (hatched), full height.
    QList<QRectF> drops;
    QList<QRectF> outages;
    QList<Mark> marks;
    // x positions for the time axis; y positions for RSSI (left) and rate (right).
    QList<Tick> timeTicks;
    QList<Tick> rssiTicks;
    QList<Tick> rateTicks;
};

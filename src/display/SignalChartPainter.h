#pragma once

#include "logs/HistorySnapshot.h"
#include "logs/SignalChartGeometry.h"

#include <QImage>

class QPainter;

// Draws a laid-out signal chart with Qt Gui alone, so the window and the PNG
// export show the very picture the report writes as SVG.
namespace SignalChartPainter {

// Paints `chart` with its top-left corner at the painter's origin.
void paint(QPainter& painter, const SignalChartGeometry& chart);

// Every target's chart of `snapshot`, one under the other on white, each
// `chartHeight` pixels high; slot A's empty chart when there are no readings.
QImage stackedImage(const HistorySnapshot& snapshot, int width = 1200, int chartHeight = 320);
// The stacked image as a PNG file's bytes.
QByteArray png(const HistorySnapshot& snapshot);

} // namespace SignalChartPainter

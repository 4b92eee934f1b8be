#pragma once

#include "logs/SignalChartGeometry.h"

#include <QString>

// One laid-out chart as an inline <svg> element, for a report that must show
// the same picture as the window without any file or script beside it.
namespace SignalChartSvg {

// The drops' shade lies over the state colours, which must still show through.
inline constexpr double dropOpacity = 0.18;

QString svg(const SignalChartGeometry& chart);

} // namespace SignalChartSvg

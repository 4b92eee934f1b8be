#pragma once

#include "monitor/RgbColour.h"

#include <QColor>

// The core keeps colours free of Qt Gui; the display layer converts at its edge.
inline QColor toQColor(const RgbColour& colour) {
    return QColor::fromRgbF(static_cast<float>(colour.red), static_cast<float>(colour.green),
                            static_cast<float>(colour.blue), static_cast<float>(colour.alpha));
}

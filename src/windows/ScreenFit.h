#pragma once

#include <QRect>

class QWidget;

// `frame` made no larger than `available`, then moved the least distance that
// puts it inside. Both in the same device-independent pixels as the screen's
// available geometry, so a 1080p screen at 150 % counts as 1280 × 720.
QRect fitFrameInto(const QRect& frame, const QRect& available);

// The available geometry of the screen `window` is on, or of the primary screen
// before it has one; empty when there is no screen at all.
QRect availableScreenGeometry(const QWidget& window);

// Shrinks `window` so that its frame, decorations included, fits its screen's
// available geometry and, once it is shown, moves it back inside. A window not
// yet shown keeps its position, so the window system still places it.
void fitToScreen(QWidget& window);

// Puts `window` at its present size in the middle of the primary screen.
void centreOnPrimaryScreen(QWidget& window);

// Shows `window` raised and active; the first time (`placed` still false) in
// the middle of the primary screen, afterwards where the user left it.
void presentCentredOnce(QWidget& window, bool& placed);

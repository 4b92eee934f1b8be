#pragma once

class QWidget;

// Asks the window manager to keep `window` above others, or not. Changing the
// flag hides a shown window, so it is shown again where it was.
void keepOnTop(QWidget& window, bool onTop);

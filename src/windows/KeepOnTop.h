#pragma once

class QWidget;

// Asks the window manager to keep `window` above others, or not. A shown window
// stays where it is: the request changes its stacking, not the window.
void keepOnTop(QWidget& window, bool onTop);

#include "windows/KeepOnTop.h"

#include <QWidget>

void keepOnTop(QWidget& window, bool onTop) {
    if (window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool wasVisible = window.isVisible();
    window.setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible)
        window.show();
}

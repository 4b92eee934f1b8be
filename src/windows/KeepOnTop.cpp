#include "windows/KeepOnTop.h"

#include <QWidget>
#include <QWindow>

void keepOnTop(QWidget& window, bool onTop) {
    Qt::WindowFlags flags = window.windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (flags == window.windowFlags())
        return;
    QWindow* native = window.windowHandle();
    if (!native) {
        // Not created yet: the window system gets the flag with the window.
        window.setWindowFlags(flags);
        return;
    }
    // QWidget::setWindowFlags would unmap a shown window and map it again, and
    // a window manager places a newly mapped window anew. The native window takes
    // the hint in place (on X11 a _NET_WM_STATE_ABOVE request); the widget's own
    // flags follow, so that a later show does not undo it.
    window.overrideWindowFlags(flags);
    native->setFlag(Qt::WindowStaysOnTopHint, onTop);
}

#include "windows/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <utility>

QRect fitFrameInto(const QRect& frame, const QRect& available) {
    if (available.isEmpty())
        return frame;
    QRect fitted(frame.topLeft(), QSize(std::min(frame.width(), available.width()),
                                        std::min(frame.height(), available.height())));
    fitted.moveLeft(std::clamp(fitted.left(), available.left(), available.right() - fitted.width() + 1));
    fitted.moveTop(std::clamp(fitted.top(), available.top(), available.bottom() - fitted.height() + 1));
    return fitted;
}

QRect availableScreenGeometry(const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void fitToScreen(QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect fitted = fitFrameInto(frame, availableScreenGeometry(window));
    if (fitted.size() != frame.size())
        window.resize(window.size() - (frame.size() - fitted.size()));
    if (window.isVisible() && fitted.topLeft() != frame.topLeft())
        window.move(fitted.topLeft());
}

void centreOnPrimaryScreen(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                               screen->availableGeometry()));
}

void presentCentredOnce(QWidget& window, bool& placed) {
    if (!std::exchange(placed, true))
        centreOnPrimaryScreen(window);
    window.show();
    window.raise();
    window.activateWindow();
}

#include "windows/SplashWindow.h"

#include "windows/DisplayFont.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int side = 420;
constexpr qreal cornerRadius = 20;
constexpr auto fadeDelay = std::chrono::milliseconds(2500);
constexpr int fadeDuration = 600;

} // namespace

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus) {
    // The image names the display face; it must be known before the image renders.
    DisplayFont::idFont();
    Q_INIT_RESOURCE(windows);
    image.load(QStringLiteral(":/images/VtSplash.svg"));
    setObjectName(QStringLiteral("splashWindow"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(side, side);
}

void SplashWindow::present() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect frame = screen->geometry();
        move(frame.topLeft() + QPoint((frame.width() - side) / 2, (frame.height() - side) / 2));
    }
    setWindowOpacity(1.0);
    show();
    QTimer::singleShot(fadeDelay, this, &SplashWindow::fadeOut);
}

void SplashWindow::fadeOut() {
    if (fade)
        return;
    fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(fadeDuration);
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, this, [this] {
        hide();
        Q_EMIT finished();
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath rounded;
    rounded.addRoundedRect(rect(), cornerRadius, cornerRadius);
    painter.setClipPath(rounded);
    image.render(&painter, rect());
}

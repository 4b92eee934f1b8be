#pragma once

#include <QPointer>
#include <QSvgRenderer>
#include <QWidget>

class QPropertyAnimation;

// The launch greeting: the "VtSplash" image in a frameless, rounded window that
// lets clicks through, never takes focus, and fades itself away.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);

    // False when the image could not be loaded: there is no splash then.
    bool hasImage() const { return image.isValid(); }
    // Centres the window on the primary screen, shows it and starts the fade.
    void present();

Q_SIGNALS:
    // The fade has ended and the window is hidden.
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fadeOut();

    QSvgRenderer image;
    QPointer<QPropertyAnimation> fade;
};

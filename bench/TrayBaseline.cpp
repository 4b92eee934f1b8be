// A bare Qt tray program doing the same visible work as a flashing critical
// target: two pre-rendered icons swapped every 0.25 s; with "idle" after the
// seconds, one icon that never changes. The yardstick for bench_tray_soak and
// bench_poll_cost.
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

QIcon renderIcon(const QColor& background, const QColor& text) {
    QPixmap pixmap(64, 64);
    pixmap.fill(background);
    QPainter painter(&pixmap);
    painter.setPen(text);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("-80"));
    return QIcon(pixmap);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromUtf8(argv[1]).toInt() : 600;
    const QIcon bright = renderIcon(Qt::red, Qt::black);
    const QIcon dark = renderIcon(Qt::transparent, Qt::red);
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &app, &QApplication::quit);
    QSystemTrayIcon tray(bright);
    tray.setContextMenu(&menu);
    tray.show();
    bool phase = false;
    QTimer flash;
    QObject::connect(&flash, &QTimer::timeout, [&] {
        phase = !phase;
        tray.setIcon(phase ? dark : bright);
        tray.setToolTip(QStringLiteral(" -80*5G"));
    });
    if (QString::fromUtf8(argc > 2 ? argv[2] : "") != QStringLiteral("idle"))
        flash.start(250);
    QTimer::singleShot(std::chrono::seconds(seconds), &app, &QApplication::quit);
    return app.exec();
}

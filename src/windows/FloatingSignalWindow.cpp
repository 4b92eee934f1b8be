#include "windows/FloatingSignalWindow.h"

#include "display/FloatingSignalState.h"
#include "display/FloatingSignalView.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "windows/DisplayFont.h"
#include "windows/KeepOnTop.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QResizeEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int side = 270;
constexpr int gapToSettings = 24;
constexpr QSize settingsSize(400, 890);
constexpr QSize screenlessArea(1440, 900);

} // namespace

FloatingSignalWindow::FloatingSignalWindow(FloatingSignalState& state, SettingsStore& settings,
                                           QWidget* parent)
    // A utility window: window managers keep it out of the task list, and tiling
    // ones (sway, i3) float it instead of giving it a tile. The fixed height says
    // the same to those that only read size hints, and leaves the width the user's.
    : QWidget(parent, Qt::Tool)
    , settings(settings)
    , singleWidth(side) {
    setObjectName(QStringLiteral("floatingSignalWindow"));
    setWindowTitle(QStringLiteral("Veltrano Signal"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new FloatingSignalView(state, DisplayFont::idFont(), this));
    isSplit = state.colorB().has_value();
    setFixedHeight(side);
    setMinimumWidth(side / 2);
    resize(targetWidth(), side);
    setKeepOnTop(settings.readBool(SettingsKey::floatingWindowOnTop));
}

QRect FloatingSignalWindow::defaultSettingsFrame() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), screenlessArea);
    QRect frame(QPoint(0, 0), settingsSize);
    frame.moveCenter(area.center());
    return frame;
}

void FloatingSignalWindow::present(std::optional<QRect> settingsFrame) {
    if (!placed) {
        const QRect reference = settingsFrame.value_or(defaultSettingsFrame());
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(QPoint(reference.left() - gapToSettings - singleWidth, reference.center().y()));
        setGeometry(keptOnScreen(frame));
        placed = true;
    }
    show();
    raise();
    activateWindow();
}

void FloatingSignalWindow::setKeepOnTop(bool onTop) {
    keepOnTop(*this, onTop);
}

void FloatingSignalWindow::setContextMenu(QMenu* menu) {
    contextMenu = menu;
}

void FloatingSignalWindow::closeForQuit() {
    quitting = true;
    close();
}

void FloatingSignalWindow::closeEvent(QCloseEvent* event) {
    if (quitting) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    hide();
    settings.writeBool(SettingsKey::floatingWindowEnabled, false);
}

void FloatingSignalWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (contextMenu)
        contextMenu->popup(event->globalPos());
}

void FloatingSignalWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The window's own resizes are not spontaneous: they only double the width
    // or return to the one already kept.
    if (!isSplit && event->spontaneous() && isUsersOwnSize())
        singleWidth = width();
}

bool FloatingSignalWindow::isUsersOwnSize() const {
    // A window manager that maximises or tiles the window, or holds it to a size
    // constraint, resizes it as a user's drag does. What it imposes fills the work
    // area in one direction or leaves no room for the doubled window; a width a
    // user chose leaves the split window on the screen.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
        return false;
    const QScreen* shownOn = screen();
    if (!shownOn)
        return true;
    const QRect area = shownOn->availableGeometry();
    const QRect frame = frameGeometry();
    return 2 * frame.width() <= area.width() && frame.height() < area.height();
}

int FloatingSignalWindow::targetWidth() const {
    return isSplit ? singleWidth * 2 : singleWidth;
}

void FloatingSignalWindow::setSplit(bool split) {
    if (split == isSplit)
        return;
    isSplit = split;
    const int target = targetWidth();
    if (target == width())
        return;
    QRect frame = geometry();
    const int centreX = frame.x() + frame.width() / 2;
    frame.setWidth(target);
    frame.moveLeft(centreX - target / 2);
    setGeometry(keptOnScreen(frame));
}

QRect FloatingSignalWindow::keptOnScreen(QRect frame) const {
    // X11 window managers leave a window where it is asked to be: near a screen
    // edge the doubled window moves inwards instead of hanging off it.
    const QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return frame;
    const QRect area = screen->availableGeometry();
    frame.moveLeft(
        std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - frame.width() + 1)));
    frame.moveTop(
        std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height() + 1)));
    return frame;
}

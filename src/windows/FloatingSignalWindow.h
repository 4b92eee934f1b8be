#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <optional>

class FloatingSignalState;
class QMenu;
class SettingsStore;

// "Veltrano Signal": the window around the floating read-out. It doubles its
// width around its centre while the read-out is split, remembers a width the user
// gives it while single (for this run), and hides rather than closes. It takes
// the read-out's mode from the state when created and from setSplit after that.
// Only a close by the user turns it off: the closes of a quit leave the setting.
class FloatingSignalWindow : public QWidget {
    Q_OBJECT
public:
    FloatingSignalWindow(FloatingSignalState& state, SettingsStore& settings, QWidget* parent = nullptr);

    // The first call places the window left of the settings window, or of where a
    // new one would stand; later calls only bring it forward.
    void present(std::optional<QRect> settingsFrame = std::nullopt);
    // A request: X11 and XWayland window managers honour it, a Wayland
    // compositor decides for itself.
    void setKeepOnTop(bool onTop);
    // Resizes around the centre when the mode changes.
    void setSplit(bool split);
    // Offered on a right click; without a tray host this is the program's only menu.
    void setContextMenu(QMenu* menu);
    // The program is ending: this close, and any Qt sends while quitting, are not
    // the user's, so the window shows again at the next launch.
    void closeForQuit();

    // The frame a settings window of its fixed size gets when first opened.
    static QRect defaultSettingsFrame();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int targetWidth() const;
    QRect keptOnScreen(QRect frame) const;
    bool isUsersOwnSize() const;

    SettingsStore& settings;
    QPointer<QMenu> contextMenu;
    int singleWidth;
    bool isSplit = false;
    bool placed = false;
    bool quitting = false;
};

#pragma once

#include <QFrame>
#include <QStringList>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QIcon;
class QVBoxLayout;
class SettingsStore;

// One card of the settings window: an icon and a title over rows of controls.
// A bound control writes its key the moment it changes and says so through
// edited(); reload() sets every control from the store again and re-applies the
// rules that show or enable rows, without echoing anything back as writes.
class SettingsCard : public QFrame {
    Q_OBJECT
public:
    // `symbol` names the card's icon as symbolIcon() takes it.
    SettingsCard(const QString& title, const QString& symbol, SettingsStore& settings,
                 QWidget* parent = nullptr);

    // A switch over a Boolean key; `afterWrite` runs with the new value once it is stored.
    QCheckBox* addSwitch(const QString& label, const QString& key,
                         std::function<void(bool)> afterWrite = nullptr);
    // A switch over an integer key that 0 turns off: switching on stores
    // `onValue` and off stores 0; any other stored value shows on and stays.
    QCheckBox* addNonZeroSwitch(const QString& label, const QString& key, int onValue);
    // A line of secondary text under the rows before it.
    void addNote(const QString& text);
    // A picker over a string key's `values`, shown by `labels`.
    QComboBox* addPicker(const QString& label, const QString& key, const QStringList& values,
                         const QStringList& labels);
    // `label` on the left, `control` on the right; returns the row.
    QWidget* addRow(const QString& label, QWidget* control);
    QVBoxLayout* body() const { return rows; }
    // Runs at every reload, after the bound controls are set.
    void onReload(std::function<void()> step);

    void reload();

    // The stored value, or the key's effective default while it is absent.
    bool boolSetting(const QString& key) const;
    QString stringSetting(const QString& key) const;
    int intSetting(const QString& key) const;

Q_SIGNALS:
    void edited();

protected:
    SettingsStore& settings;
    // True while reload() sets controls, whose change signals must not write.
    bool loading = false;

private:
    QVBoxLayout* rows;
    std::vector<std::function<void()>> reloadSteps;
};

// The icon of one of the window's symbols ("network", "eye", ...): the desktop
// theme's icon of the same meaning, or our own where the theme has none.
QIcon symbolIcon(const QString& symbol);

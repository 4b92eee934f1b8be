#include "windows/SettingsCard.h"

#include "display/QtColour.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>

namespace {

constexpr int iconSize = 18;

struct SymbolIcon {
    const char* symbol;
    const char* themeName;
    const char* bundled;
};

// Freedesktop names first: the desktop's own look wins where it has the meaning.
constexpr SymbolIcon symbolIcons[] = {
    {"dot.radiowaves.left.and.right", "network-wireless", "radiowaves"},
    {"network", "network-workgroup", "network"},
    {"camera", "camera-photo", "camera"},
    {"bolt.badge.checkmark", "emblem-ok", "bolt-check"},
    {"bell", "preferences-desktop-notification", "bell"},
    {"macwindow", "video-display", "window"},
    {"gearshape", "preferences-system", "gear"},
    {"eye", "view-visible", "eye"},
    {"eye.slash", "view-hidden", "eye-slash"},
    {"battery.100", "battery", "battery"},
    {"app.badge.checkmark", "applications-graphics", "app-check"},
    {"checkmark.seal", "emblem-default", "seal-check"},
    {"lightbulb", "dialog-information", "lightbulb"},
    {"laptopcomputer", "computer-laptop", "laptop"},
};

} // namespace

QIcon symbolIcon(const QString& symbol) {
    for (const SymbolIcon& icon : symbolIcons)
        if (symbol == QLatin1String(icon.symbol))
            return QIcon::fromTheme(QString::fromLatin1(icon.themeName),
                                    QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon.bundled))));
    return QIcon();
}

SettingsCard::SettingsCard(const QString& title, const QString& symbol, SettingsStore& settings,
                           QWidget* parent)
    : QFrame(parent)
    , settings(settings)
    , rows(new QVBoxLayout) {
    setObjectName(QStringLiteral("settingsCard"));
    setStyleSheet(QStringLiteral("#settingsCard { background: palette(base); border-radius: 14px; }"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 12, 14, 14);
    column->setSpacing(10);
    auto* header = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(symbolIcon(symbol).pixmap(iconSize, iconSize));
    header->addWidget(icon);
    auto* heading = new QLabel(title);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    header->addWidget(heading, 1);
    column->addLayout(header);
    rows->setSpacing(8);
    column->addLayout(rows);
}

QWidget* SettingsCard::addRow(const QString& label, QWidget* control) {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(new QLabel(label));
    line->addStretch(1);
    line->addWidget(control);
    rows->addWidget(row);
    return row;
}

QCheckBox* SettingsCard::addSwitch(const QString& label, const QString& key,
                                   std::function<void(bool)> afterWrite) {
    auto* box = new QCheckBox;
    box->setObjectName(key);
    box->setAccessibleName(label);
    addRow(label, box);
    connect(box, &QCheckBox::toggled, this, [this, key, afterWrite = std::move(afterWrite)](bool on) {
        if (loading)
            return;
        settings.writeBool(key, on);
        if (afterWrite)
            afterWrite(on);
        Q_EMIT edited();
    });
    onReload([this, box, key] { box->setChecked(boolSetting(key)); });
    return box;
}

QCheckBox* SettingsCard::addNonZeroSwitch(const QString& label, const QString& key, int onValue) {
    auto* box = new QCheckBox;
    box->setObjectName(key);
    box->setAccessibleName(label);
    addRow(label, box);
    connect(box, &QCheckBox::toggled, this, [this, key, onValue](bool on) {
        if (loading)
            return;
        settings.writeInt(key, on ? onValue : 0);
        Q_EMIT edited();
    });
    onReload([this, box, key] { box->setChecked(intSetting(key) != 0); });
    return box;
}

void SettingsCard::addNote(const QString& text) {
    auto* note = new QLabel(text);
    note->setWordWrap(true);
    note->setStyleSheet(QStringLiteral("color: %1;").arg(toQColor(Colour::secondaryLabel).name()));
    rows->addWidget(note);
}

QComboBox* SettingsCard::addPicker(const QString& label, const QString& key, const QStringList& values,
                                   const QStringList& labels) {
    auto* picker = new QComboBox;
    picker->setObjectName(key);
    picker->addItems(labels);
    addRow(label, picker);
    connect(picker, &QComboBox::currentIndexChanged, this, [this, key, values](int index) {
        if (loading || index < 0)
            return;
        settings.writeString(key, values.value(index));
        Q_EMIT edited();
    });
    onReload([this, picker, key, values] { picker->setCurrentIndex(values.indexOf(stringSetting(key))); });
    return picker;
}

void SettingsCard::onReload(std::function<void()> step) {
    reloadSteps.push_back(std::move(step));
}

void SettingsCard::reload() {
    loading = true;
    for (const auto& step : reloadSteps)
        step();
    loading = false;
}

bool SettingsCard::boolSetting(const QString& key) const {
    if (settings.readObject(key))
        return settings.readBool(key);
    const SettingDefinition* definition = SettingsSchema::find(key);
    return definition && definition->effectiveDefault && definition->effectiveDefault->toBool();
}

QString SettingsCard::stringSetting(const QString& key) const {
    if (const std::optional<QString> stored = settings.readString(key))
        return *stored;
    const SettingDefinition* definition = SettingsSchema::find(key);
    return definition && definition->effectiveDefault ? definition->effectiveDefault->toString() : QString();
}

int SettingsCard::intSetting(const QString& key) const {
    if (const std::optional<int> stored = settings.readInt(key))
        return *stored;
    const SettingDefinition* definition = SettingsSchema::find(key);
    return definition && definition->effectiveDefault ? definition->effectiveDefault->toInt() : 0;
}

#include "windows/ClientPickerDialog.h"

#include "display/QtColour.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

namespace {

constexpr int sheetWidth = 360;
constexpr int longestList = 420;

// The sizes are those of a 72-dots-per-inch design, so they are pixels here.
QFont sizedFont(int points, QFont::Weight weight = QFont::Normal) {
    QFont font;
    font.setPixelSize(points);
    font.setWeight(weight);
    return font;
}

QLabel* label(const QString& text, const QFont& font, std::optional<RgbColour> colour) {
    auto* label = new QLabel(text);
    // Names and addresses come from the router: "<b>" in one is text, not bold.
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    // Inside a row it would otherwise take the button's text colour.
    label->setForegroundRole(QPalette::WindowText);
    if (colour) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, toQColor(*colour));
        label->setPalette(palette);
    }
    // The row underneath is the button.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

} // namespace

ClientPickerDialog::ClientPickerDialog(ClientPickerSheet pickerSheet, const SettingsStore& settings,
                                       QWidget* parent)
    : QDialog(parent, Qt::Sheet)
    , sheet(std::move(pickerSheet)) {
    setObjectName(QStringLiteral("clientPickerDialog"));
    setWindowTitle(QStringLiteral("Select Device"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedWidth(sheetWidth);
    sheet.onSelect = [this](const RouterClient& row) {
        Q_EMIT deviceChosen(row);
        accept();
    };
    sheet.onCancel = [this] { reject(); };

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);
    column->addWidget(header());

    bothAssignedNote = label(QStringLiteral("Only 2 targets supported \u2014 clear one first"), sizedFont(10),
                             Colour::secondaryLabel);
    bothAssignedNote->setObjectName(QStringLiteral("bothAssignedNote"));
    bothAssignedNote->hide();
    column->addWidget(bothAssignedNote);

    if (const QString note = sheet.otherNetworksNote(); !note.isEmpty()) {
        QLabel* otherNetworks = label(note, sizedFont(10), Colour::secondaryLabel);
        otherNetworks->setObjectName(QStringLiteral("otherNetworksNote"));
        otherNetworks->setWordWrap(true);
        column->addWidget(otherNetworks);
    }
    if (sheet.clients.isEmpty()) {
        QLabel* empty = label(sheet.emptyListText(), sizedFont(12), Colour::secondaryLabel);
        empty->setObjectName(QStringLiteral("noClientsLabel"));
        empty->setWordWrap(true);
        column->addWidget(empty, 0, Qt::AlignHCenter);
        return;
    }
    auto* rows = new QWidget;
    auto* rowColumn = new QVBoxLayout(rows);
    rowColumn->setContentsMargins(0, 0, 0, 0);
    rowColumn->setSpacing(2);
    for (const RouterClient& client : sheet.orderedClients())
        rowColumn->addWidget(clientRow(client, settings));
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller->setWidget(rows);
    scroller->setMinimumHeight(std::min(rows->sizeHint().height(), longestList));
    column->addWidget(scroller);
}

QWidget* ClientPickerDialog::header() {
    auto* header = new QWidget;
    auto* line = new QHBoxLayout(header);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(label(QStringLiteral("Select Device"), sizedFont(14, QFont::DemiBold), std::nullopt));
    line->addStretch();
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    QPalette palette = cancel->palette();
    palette.setColor(QPalette::ButtonText, toQColor(Colour::secondaryLabel));
    cancel->setPalette(palette);
    connect(cancel, &QPushButton::clicked, this, [this] { sheet.onCancel(); });
    line->addWidget(cancel);
    return header;
}

QWidget* ClientPickerDialog::clientRow(const RouterClient& client, const SettingsStore& settings) {
    auto* row = new QPushButton;
    row->setObjectName(QStringLiteral("clientRow"));
    row->setFlat(true);
    row->setAutoDefault(false);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(8, 6, 8, 6);
    auto* text = new QVBoxLayout;
    text->setSpacing(1);
    QLabel* name = label(displayName(client, settings), sizedFont(12, QFont::Medium),
                         ClientPickerSheet::nameColour(client));
    name->setObjectName(QStringLiteral("clientName"));
    text->addWidget(name);
    text->addWidget(label(client.ip, sizedFont(10), Colour::secondaryLabel));
    line->addLayout(text, 1);
    if (const std::optional<SlotBadge> badge = sheet.badge(client)) {
        QLabel* mark = label(badge->label, sizedFont(10, QFont::DemiBold), Colour::white);
        mark->setObjectName(QStringLiteral("slotBadge"));
        mark->setAlignment(Qt::AlignCenter);
        mark->setFixedSize(22, 18);
        mark->setStyleSheet(
            QStringLiteral("background: %1; border-radius: 9px;").arg(toQColor(badge->colour).name()));
        line->addWidget(mark, 0, Qt::AlignVCenter);
    }
    row->setMinimumHeight(line->sizeHint().height());
    connect(row, &QPushButton::clicked, this, [this, client] {
        sheet.tap(client);
        bothAssignedNote->setVisible(sheet.showBothAssignedMessage);
    });
    return row;
}

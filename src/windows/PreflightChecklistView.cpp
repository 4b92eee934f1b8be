#include "windows/PreflightChecklistView.h"

#include "display/QtColour.h"
#include "windows/PreflightCheckRow.h"
#include "windows/ScreenFit.h"
#include "windows/SettingsCard.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>

using namespace Qt::StringLiterals;

namespace {

constexpr int windowWidth = 400;
constexpr int padding = 16;

QFont sizedFont(int points, QFont::Weight weight = QFont::Normal) {
    QFont font;
    font.setPixelSize(points);
    font.setWeight(weight);
    return font;
}

QLabel* noteLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setFont(sizedFont(11));
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, toQColor(Colour::secondaryLabel));
    label->setPalette(palette);
    return label;
}

QFrame* divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QString prominentStyle() {
    return u"QPushButton { background: %1; color: white; border: none; border-radius: 6px; padding: 5px "
           u"14px; }"
           u"QPushButton:disabled { background: palette(mid); }"_s.arg(
               toQColor(Colour::excellentTeal).name());
}

} // namespace

PreflightChecklistView::PreflightChecklistView(PreflightChecklistModel& model,
                                               ComputerChecklistModel& computer, QWidget* parent)
    : QDialog(parent)
    , model(model)
    , computer(computer)
    , runAllButton(new QPushButton)
    , closeButton(new QPushButton(u"Close"_s)) {
    setObjectName(u"preflightChecklistView"_s);
    setWindowTitle(u"Pre-flight Checklist"_s);
    setFixedWidth(windowWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);

    auto* headline = new QLabel(u"Pre-flight Checklist"_s);
    headline->setFont(sizedFont(13, QFont::Bold));
    column->addWidget(headline);
    column->addWidget(divider());

    rows.resize(model.items().size());
    // The rows scroll and the footer stays below them: at 400 px wide the list is
    // taller than a laptop's screen, and Check All and Close must stay in reach.
    rowsArea = new QScrollArea;
    rowsArea->setObjectName(u"checklistRows"_s);
    rowsArea->setFrameShape(QFrame::NoFrame);
    rowsArea->setWidgetResizable(true);
    rowsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* rowsContent = new QWidget;
    auto* body = new QVBoxLayout(rowsContent);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(6);
    body->addWidget(
        noteLabel(u"Run this once per camera connection \u2014 never automatically in the background."_s));
    body->addWidget(
        noteLabel(u"Capture One has no Linux release: its checks belong on the computer that tethers. The "
                  u"checks below are about this computer and its Wi-Fi."_s));
    addSection(body, u"Hardware"_s, u"battery.100"_s, {1, 2});
    addSection(body, u"Capture One"_s, u"app.badge.checkmark"_s, {3, 4, 5, 6});
    addSection(body, u"Camera Settings"_s, u"camera"_s, {7, 8, 9, 10, 11});
    addSection(body, u"Confirmation"_s, u"checkmark.seal"_s, {12});
    QList<int> recommendations;
    for (const PreflightCheckItem& item : model.items())
        if (item.tier == PreflightTier::recommendation)
            recommendations.append(item.id);
    addSection(body, u"Recommendations"_s, u"lightbulb"_s, recommendations);
    addComputerSection(body);
    body->addStretch();
    rowsArea->setWidget(rowsContent);
    column->addWidget(rowsArea, 1);
    column->addWidget(divider());

    auto* footer = new QHBoxLayout;
    runAllButton->setObjectName(u"runAllButton"_s);
    closeButton->setObjectName(u"closeButton"_s);
    footer->addWidget(runAllButton);
    footer->addStretch();
    footer->addWidget(closeButton);
    column->addLayout(footer);

    connect(runAllButton, &QPushButton::clicked, this, [this] {
        this->model.runAll();
        this->computer.runAll();
    });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(&model, &PreflightChecklistModel::itemStatusChanged, this, [this](int index) {
        rows.at(index)->showStatus(this->model.items().at(index).status);
        showFooter();
        fitHeight();
    });
    connect(&model, &PreflightChecklistModel::runStateChanged, this, &PreflightChecklistView::showFooter);
    connect(&computer, &ComputerChecklistModel::itemStatusChanged, this, [this](int index) {
        computerRows.at(index)->showStatus(this->computer.items().at(index).status);
        showFooter();
        fitHeight();
    });
    connect(&computer, &ComputerChecklistModel::runStateChanged, this, &PreflightChecklistView::showFooter);
    showFooter();
    fitHeight();
}

void PreflightChecklistView::addHeader(QVBoxLayout* body, const QString& title, const QString& symbol) {
    auto* header = new QHBoxLayout;
    auto* iconLabel = new QLabel;
    iconLabel->setPixmap(symbolIcon(symbol).pixmap(14));
    header->addWidget(iconLabel);
    auto* label = new QLabel(title);
    label->setFont(sizedFont(12, QFont::DemiBold));
    header->addWidget(label, 1);
    body->addSpacing(6);
    body->addLayout(header);
}

void PreflightChecklistView::addSection(QVBoxLayout* body, const QString& title, const QString& symbol,
                                        const QList<int>& ids) {
    addHeader(body, title, symbol);
    for (int id : ids) {
        const PreflightCheckItem& item = model.items().at(id - 1);
        auto* row = new PreflightCheckRow(item);
        connect(row, &PreflightCheckRow::checkRequested, this, [this](int id) { model.checkItem(id); });
        connect(row, &PreflightCheckRow::fixRequested, this, [this, id, text = item.fixConfirmationText] {
            askToFix(text, [this, id] { model.applyFix(id); });
        });
        body->addWidget(row);
        rows[id - 1] = row;
    }
}

void PreflightChecklistView::addComputerSection(QVBoxLayout* body) {
    addHeader(body, u"This Computer"_s, u"laptopcomputer"_s);
    for (const PreflightCheckItem& item : computer.items()) {
        auto* row = new PreflightCheckRow(item);
        row->setObjectName(u"computerCheckRow%1"_s.arg(item.id));
        connect(row, &PreflightCheckRow::checkRequested, this, [this](int id) { computer.checkItem(id); });
        connect(row, &PreflightCheckRow::fixRequested, this,
                [this, id = item.id, text = item.fixConfirmationText] {
                    askToFix(text, [this, id] { computer.applyFix(id); });
                });
        body->addWidget(row);
        computerRows.append(row);
    }
}

void PreflightChecklistView::askToFix(const std::optional<QString>& text, std::function<void()> apply) {
    auto* dialog =
        new QMessageBox(QMessageBox::NoIcon, u"Confirm Change"_s,
                        text.value_or(u"This will change a setting on the camera or in Capture One."_s),
                        QMessageBox::NoButton, this);
    dialog->setObjectName(u"confirmChangeDialog"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->addButton(u"Cancel"_s, QMessageBox::RejectRole);
    QPushButton* confirm = dialog->addButton(u"Confirm"_s, QMessageBox::AcceptRole);
    connect(dialog, &QMessageBox::buttonClicked, this,
            [confirm, apply = std::move(apply)](QAbstractButton* pressed) {
                if (pressed == confirm)
                    apply();
            });
    dialog->open();
}

void PreflightChecklistView::showFooter() {
    const bool complete = model.isComplete() && computer.isComplete();
    runAllButton->setText(complete                   ? u"Completed"_s
                          : model.runFailedAtIndex() ? u"Try Again"_s
                                                     : u"Check All"_s);
    runAllButton->setStyleSheet(complete ? QString() : prominentStyle());
    runAllButton->setEnabled(complete || (!model.isRunningAll() && !computer.isRunningAll()));
    runAllButton->setAutoDefault(false);
    closeButton->setStyleSheet(complete ? prominentStyle() : QString());
    closeButton->setAutoDefault(false);
    // Return answers Close only once there is nothing left to run.
    closeButton->setDefault(complete);
}

void PreflightChecklistView::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Only now is the screen it opens on known.
    fitHeight();
}

void PreflightChecklistView::fitHeight() {
    // Texts wrap at the fixed width, so the height of all rows follows from it;
    // the window takes it while the screen has room and scrolls the rows when not.
    const QWidget* rowsContent = rowsArea->widget();
    const int rowsWidth = windowWidth - 2 * padding;
    const int rowsHeight = rowsContent->hasHeightForWidth() ? rowsContent->heightForWidth(rowsWidth)
                                                            : rowsContent->sizeHint().height();
    // Nothing around the rows wraps, so its height is that of the layout's hint.
    const int aroundRows = layout()->totalSizeHint().height() - rowsArea->sizeHint().height();
    resize(windowWidth, aroundRows + rowsHeight);
    fitToScreen(*this);
}

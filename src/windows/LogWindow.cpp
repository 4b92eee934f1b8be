#include "windows/LogWindow.h"

#include "windows/ScreenFit.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedLayout>
#include <QTableView>
#include <QTimer>

namespace {

QPushButton* plainButton(const QString& text, const QString& name) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setFlat(true);
    QFont font = button->font();
    font.setPixelSize(12);
    button->setFont(font);
    return button;
}

} // namespace

LogWindow::LogWindow(const Layout& layout, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , layout(layout)
    , model(static_cast<int>(layout.columnWidths.size())) {
    setWindowTitle(layout.title);
    setMinimumSize(layout.minimumSize);
    resize(layout.size);

    auto* column = new QVBoxLayout(this);
    auto* header = new QHBoxLayout;
    auto* title = new QLabel(layout.title);
    QFont titleFont = title->font();
    titleFont.setPixelSize(15);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    header->addWidget(title);
    header->addStretch();
    QPushButton* save = plainButton(QStringLiteral("Save"), QStringLiteral("saveButton"));
    QPushButton* clear = plainButton(QStringLiteral("Clear"), QStringLiteral("clearButton"));
    header->addWidget(save);
    header->addWidget(clear);
    column->addLayout(header);
    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);

    auto* empty = new QLabel(layout.emptyText);
    empty->setObjectName(QStringLiteral("emptyText"));
    empty->setAlignment(Qt::AlignCenter);
    QFont emptyFont = empty->font();
    emptyFont.setPixelSize(13);
    empty->setFont(emptyFont);
    empty->setForegroundRole(QPalette::PlaceholderText);
    table = new QTableView;
    table->setObjectName(QStringLiteral("logRows"));
    table->setModel(&model);
    table->setShowGrid(false);
    table->setFrameShape(QFrame::NoFrame);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    table->setWordWrap(false);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
    for (int index = 0; index < layout.columnWidths.size(); ++index) {
        const int width = layout.columnWidths.at(index);
        if (width == 0)
            table->horizontalHeader()->setSectionResizeMode(index, QHeaderView::Stretch);
        else
            table->setColumnWidth(index, width);
    }
    body = new QStackedLayout;
    body->addWidget(empty);
    body->addWidget(table);
    column->addLayout(body, 1);

    connect(save, &QPushButton::clicked, this, &LogWindow::chooseSaveLocation);
    connect(clear, &QPushButton::clicked, this, [this] {
        clearLog();
        showRows();
    });
    refreshTimer = new QTimer(this);
    refreshTimer->setObjectName(QStringLiteral("refreshTimer"));
    refreshTimer->setInterval(layout.refreshInterval);
    connect(refreshTimer, &QTimer::timeout, this, &LogWindow::refresh);
}

void LogWindow::present() {
    presentCentredOnce(*this, placed);
}

// A full log costs several milliseconds of the main thread per refresh, so a
// window nobody sees (hidden or minimised) does not refresh; it catches up once
// when it shows again.
void LogWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    presented = true;
    refreshTimer->start();
}

void LogWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    refreshTimer->stop();
}

void LogWindow::refresh() {
    takeEntries();
    showRows();
}

void LogWindow::showRows() {
    const int shownBefore = model.rowCount();
    model.setRows(rows());
    body->setCurrentIndex(model.rowCount() == 0 ? 0 : 1);
    // The rows a window first opens on start at the top; from then on every
    // change of their number brings the newest row into view, wherever the user
    // had scrolled.
    if (presented && model.rowCount() != shownBefore)
        table->scrollToBottom();
}

void LogWindow::chooseSaveLocation() {
    if (!saveDialog) {
        saveDialog = new QFileDialog(this, QStringLiteral("Save %1").arg(layout.title));
        saveDialog->setAcceptMode(QFileDialog::AcceptSave);
        saveDialog->setNameFilter(QStringLiteral("Markdown (*.md)"));
        saveDialog->setDefaultSuffix(QStringLiteral("md"));
        saveDialog->setDirectory(QDir::homePath());
        connect(saveDialog, &QFileDialog::fileSelected, this, [this](const QString& path) { saveTo(path); });
    }
    saveDialog->selectFile(layout.defaultFileName + QStringLiteral(".md"));
    saveDialog->open();
}

bool LogWindow::saveTo(const QString& path) {
    QSaveFile file(path);
    const QByteArray text = markdown().toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    auto* message =
        new QMessageBox(QMessageBox::Warning, layout.title,
                        QStringLiteral("The log could not be saved to %1.").arg(path), QMessageBox::Ok, this);
    message->setObjectName(QStringLiteral("saveFailedMessage"));
    message->setInformativeText(file.errorString());
    message->setAttribute(Qt::WA_DeleteOnClose);
    message->open();
    return false;
}

#include "windows/SignalHistoryWindow.h"

#include "display/SignalChartPainter.h"
#include "logs/HistorySource.h"
#include "logs/HistoryText.h"
#include "logs/IncidentFinder.h"
#include "logs/SignalChart.h"
#include "windows/ScreenFit.h"
#include "windows/SignalChartView.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedLayout>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>

using namespace std::chrono_literals;

namespace {

// The combo's rows, in its order.
enum RangeChoice { lastQuarterHour, lastHour, today, sinceConnect, custom };

constexpr auto followInterval = 2s;
constexpr qint64 minuteMs = 60 * 1000;

struct ReportForm {
    QString filter;
    QString suffix;
};

const QList<ReportForm> reportForms = {
    {QStringLiteral("HTML report (*.html)"), QStringLiteral("html")},
    {QStringLiteral("PNG image (*.png)"), QStringLiteral("png")},
    {QStringLiteral("CSV rows (*.csv)"), QStringLiteral("csv")},
    {QStringLiteral("JSON (*.json)"), QStringLiteral("json")},
};

// The time alone for today's incidents; a custom range may reach back days.
QString startText(qint64 startMs) {
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(startMs).toLocalTime();
    return start.date() == QDate::currentDate() ? start.toString(QStringLiteral("HH:mm:ss"))
                                                : start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString cameraText(const HistoryIncident& incident) {
    if (!incident.slot)
        return QStringLiteral("\u2014");
    const QString label = *incident.slot == TargetSlot::a ? QStringLiteral("A") : QStringLiteral("B");
    return incident.name.isEmpty() ? label : QStringLiteral("%1 \u2014 %2").arg(label, incident.name);
}

} // namespace

SignalHistoryWindow::SignalHistoryWindow(HistorySource& source, HeadingSource heading, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , source(source)
    , heading(std::move(heading)) {
    setObjectName(QStringLiteral("signalHistoryWindow"));
    setWindowTitle(QStringLiteral("Signal History"));
    setMinimumSize(640, 480);
    resize(920, 760);

    auto* column = new QVBoxLayout(this);
    column->addWidget(rangeRow());

    auto* empty = new QLabel(QStringLiteral("No readings recorded in this range yet."));
    empty->setObjectName(QStringLiteral("emptyText"));
    empty->setAlignment(Qt::AlignCenter);
    empty->setForegroundRole(QPalette::PlaceholderText);
    auto* chartColumn = new QWidget;
    charts = new QVBoxLayout(chartColumn);
    charts->setContentsMargins(0, 0, 0, 0);
    charts->addStretch(1);
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("charts"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(chartColumn);
    body = new QStackedLayout;
    body->addWidget(empty);
    body->addWidget(scroll);
    column->addLayout(body, 3);

    auto* incidentsTitle = new QLabel(QStringLiteral("Incidents"));
    QFont bold = incidentsTitle->font();
    bold.setBold(true);
    incidentsTitle->setFont(bold);
    column->addWidget(incidentsTitle);
    incidentTable = new QTableWidget(0, 6);
    incidentTable->setObjectName(QStringLiteral("incidents"));
    incidentTable->setHorizontalHeaderLabels({QStringLiteral("Camera"), QStringLiteral("Start"),
                                              QStringLiteral("Duration"), QStringLiteral("Lowest RSSI"),
                                              QStringLiteral("Access point"), QStringLiteral("Router")});
    incidentTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    incidentTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    incidentTable->verticalHeader()->hide();
    incidentTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The router's words are the longest and the most varied.
    incidentTable->horizontalHeader()->setSectionResizeMode(5, QHeaderView::Stretch);
    column->addWidget(incidentTable, 1);

    followTimer = new QTimer(this);
    followTimer->setObjectName(QStringLiteral("followTimer"));
    followTimer->setTimerType(Qt::VeryCoarseTimer);
    followTimer->setInterval(followInterval);
    connect(followTimer, &QTimer::timeout, this, [this] {
        offerSinceConnect();
        load();
    });
}

QWidget* SignalHistoryWindow::rangeRow() {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    range = new QComboBox;
    range->setObjectName(QStringLiteral("range"));
    range->addItems({QStringLiteral("Last 15 minutes"), QStringLiteral("Last hour"), QStringLiteral("Today"),
                     QStringLiteral("Since connect"), QStringLiteral("Custom\u2026")});
    line->addWidget(range);

    customRange = new QWidget;
    auto* customLine = new QHBoxLayout(customRange);
    customLine->setContentsMargins(0, 0, 0, 0);
    const QDateTime now = QDateTime::currentDateTime();
    from = new QDateTimeEdit(now.addSecs(-3600));
    from->setObjectName(QStringLiteral("from"));
    to = new QDateTimeEdit(now);
    to->setObjectName(QStringLiteral("to"));
    for (QDateTimeEdit* edit : {from, to}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        edit->setCalendarPopup(true);
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, &SignalHistoryWindow::rangeChanged);
    }
    customLine->addWidget(new QLabel(QStringLiteral("From")));
    customLine->addWidget(from);
    customLine->addWidget(new QLabel(QStringLiteral("To")));
    customLine->addWidget(to);
    customRange->hide();
    line->addWidget(customRange);
    line->addStretch(1);

    auto* save = new QPushButton(QStringLiteral("Save Report\u2026"));
    save->setObjectName(QStringLiteral("saveReport"));
    line->addWidget(save);
    connect(save, &QPushButton::clicked, this, &SignalHistoryWindow::chooseSaveLocation);
    connect(range, &QComboBox::currentIndexChanged, this, [this](int choice) {
        customRange->setVisible(choice == custom);
        rangeChanged();
    });
    return row;
}

void SignalHistoryWindow::present() {
    presentCentredOnce(*this, placed);
}

// Following costs a read of the history every interval, so a window nobody
// sees does not follow; it catches up once when it shows again.
void SignalHistoryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    offerSinceConnect();
    load();
    if (followsNow())
        followTimer->start();
}

void SignalHistoryWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    followTimer->stop();
}

bool SignalHistoryWindow::followsNow() const {
    return range->currentIndex() != custom;
}

SignalHistoryWindow::Range SignalHistoryWindow::chosenRange() const {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    switch (range->currentIndex()) {
    case lastQuarterHour:
        return {now - 15 * minuteMs, now};
    case lastHour:
        return {now - 60 * minuteMs, now};
    case today:
        return {QDate::currentDate().startOfDay().toMSecsSinceEpoch(), now};
    case sinceConnect:
        return {source.connectedSinceMs().value_or(now), now};
    default: {
        // Two ends picked in either order mean the time between them.
        const auto [first, last] =
            std::minmax(from->dateTime().toMSecsSinceEpoch(), to->dateTime().toMSecsSinceEpoch());
        return {first, last};
    }
    }
}

void SignalHistoryWindow::rangeChanged() {
    ++rangeRevision;
    if (!isVisible())
        return;
    if (followsNow())
        followTimer->start();
    else
        followTimer->stop();
    load();
}

// One read at a time: a slow disk must not pile reads up behind each other. A
// range changed meanwhile is read as soon as the answer for the old one is in.
void SignalHistoryWindow::load() {
    if (loading)
        return;
    loading = true;
    const Range asked = chosenRange();
    source.load(asked.fromMs, asked.toMs, this, [this, revision = rangeRevision](HistorySnapshot snapshot) {
        loading = false;
        if (revision != rangeRevision) {
            load();
            return;
        }
        showSnapshot(snapshot);
    });
}

void SignalHistoryWindow::offerSinceConnect() {
    auto* choices = qobject_cast<QStandardItemModel*>(range->model());
    choices->item(sinceConnect)->setEnabled(source.connectedSinceMs().has_value());
}

void SignalHistoryWindow::showSnapshot(const HistorySnapshot& snapshot) {
    shown = snapshot;
    incidents = IncidentFinder::find(shown);
    showCharts();
    showIncidents();
}

void SignalHistoryWindow::showCharts() {
    const QList<TargetSlot> slots = SignalChart::slotsIn(shown);
    QList<TargetSlot> viewSlots;
    for (const SignalChartView* view : std::as_const(chartViews))
        viewSlots.append(view->slot());
    // Views are kept while the targets stay, so a hover survives each follow.
    if (viewSlots != slots) {
        qDeleteAll(chartViews);
        chartViews.clear();
        for (const TargetSlot slot : slots) {
            auto* view = new SignalChartView(slot);
            charts->insertWidget(static_cast<int>(chartViews.size()), view);
            chartViews.append(view);
        }
    }
    for (SignalChartView* view : std::as_const(chartViews))
        view->setSnapshot(shown);
    body->setCurrentIndex(shown.readings.isEmpty() ? 0 : 1);
}

void SignalHistoryWindow::showIncidents() {
    incidentTable->setRowCount(static_cast<int>(incidents.size()));
    for (int row = 0; row < incidents.size(); ++row) {
        const HistoryIncident& incident = incidents.at(row);
        const QStringList cells = {
            cameraText(incident),
            startText(incident.startMs),
            HistoryText::duration(incident.durationMs),
            incident.lowestRssi ? QStringLiteral("%1 dBm").arg(*incident.lowestRssi)
                                : QStringLiteral("\u2014"),
            incident.accessPoint,
            incident.said,
        };
        for (int cell = 0; cell < cells.size(); ++cell)
            incidentTable->setItem(row, cell, new QTableWidgetItem(cells.at(cell)));
    }
}

void SignalHistoryWindow::chooseSaveLocation() {
    if (!saveDialog) {
        saveDialog = new QFileDialog(this, QStringLiteral("Save Report"));
        saveDialog->setAcceptMode(QFileDialog::AcceptSave);
        QStringList filters;
        for (const ReportForm& form : reportForms)
            filters.append(form.filter);
        saveDialog->setNameFilters(filters);
        saveDialog->setDefaultSuffix(reportForms.first().suffix);
        saveDialog->setDirectory(QDir::homePath());
        connect(saveDialog, &QFileDialog::filterSelected, this, [this](const QString& filter) {
            for (const ReportForm& form : reportForms)
                if (form.filter == filter)
                    saveDialog->setDefaultSuffix(form.suffix);
        });
        connect(saveDialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
            const std::optional<QString> problem = saveTo(path);
            if (!problem)
                return;
            auto* message = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                            QStringLiteral("Could not save the report: %1").arg(*problem),
                                            QMessageBox::Ok, this);
            message->setObjectName(QStringLiteral("saveFailedMessage"));
            message->setAttribute(Qt::WA_DeleteOnClose);
            message->open();
        });
    }
    saveDialog->selectFile(QStringLiteral("VtSignalHistory.") + saveDialog->defaultSuffix());
    saveDialog->open();
}

std::optional<QString> SignalHistoryWindow::saveTo(const QString& path) const {
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray data;
    if (suffix == QStringLiteral("png"))
        data = SignalChartPainter::png(shown);
    else if (suffix == QStringLiteral("csv"))
        data = HistoryReport::csv(shown);
    else if (suffix == QStringLiteral("json"))
        data = HistoryReport::json(shown, incidents);
    else
        data = HistoryReport::html(shown, incidents, heading()).toUtf8();
    return HistoryReport::writeFile(path, data);
}

#pragma once

#include "logs/HistoryIncident.h"
#include "logs/HistoryReport.h"
#include "logs/HistorySnapshot.h"

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class HistorySource;
class QComboBox;
class QDateTimeEdit;
class QFileDialog;
class QStackedLayout;
class QTableWidget;
class QTimer;
class QVBoxLayout;
class SignalChartView;

// "Signal History": each target's chart over the chosen range, the incidents
// found in it, and the report of both. A range that ends now follows the
// recording while the window is shown.
class SignalHistoryWindow : public QWidget {
    Q_OBJECT
public:
    // What the report's heading says at the moment it is written.
    using HeadingSource = std::function<HistoryReport::Heading()>;

    SignalHistoryWindow(HistorySource& source, HeadingSource heading, QWidget* parent = nullptr);

    // Shows the window, centred the first time.
    void present();
    // Writes what the window shows to `path` in the form its suffix names
    // (.png, .csv, .json, anything else HTML), for the user alone; the reason
    // when it could not.
    std::optional<QString> saveTo(const QString& path) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Range {
        qint64 fromMs = 0;
        qint64 toMs = 0;
    };

    QWidget* rangeRow();
    Range chosenRange() const;
    bool followsNow() const;
    void rangeChanged();
    void load();
    void showSnapshot(const HistorySnapshot& snapshot);
    void showCharts();
    void showIncidents();
    void offerSinceConnect();
    void chooseSaveLocation();

    HistorySource& source;
    HeadingSource heading;
    HistorySnapshot shown;
    QList<HistoryIncident> incidents;
    QComboBox* range;
    QWidget* customRange;
    QDateTimeEdit* from;
    QDateTimeEdit* to;
    QStackedLayout* body;
    QVBoxLayout* charts;
    QList<SignalChartView*> chartViews;
    QTableWidget* incidentTable;
    QTimer* followTimer;
    QPointer<QFileDialog> saveDialog;
    // Moves on with every change of range: an answer asked for before is dropped.
    quint64 rangeRevision = 0;
    bool loading = false;
    bool placed = false;
};

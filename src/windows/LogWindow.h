#pragma once

#include "windows/LogTableModel.h"

#include <QList>
#include <QPointer>
#include <QWidget>
#include <chrono>

class QFileDialog;
class QStackedLayout;
class QTableView;
class QTimer;

// What the two log windows share: a title with "Save" and "Clear", the rows of
// the view's copy of its log, refreshed on a timer while shown and following the
// end, and the atomic Markdown export.
class LogWindow : public QWidget {
    Q_OBJECT
public:
    struct Layout {
        QString title;
        QString emptyText;
        // Offered in the save dialog, with the "md" suffix.
        QString defaultFileName;
        QSize size;
        QSize minimumSize;
        std::chrono::milliseconds refreshInterval;
        // One per column; the column of width 0 takes what the others leave.
        QList<int> columnWidths;
    };

    // Shows the window, centred the first time; showing refreshes it.
    void present();
    // Takes the shared log's current entries into the view.
    void refresh();
    // Writes the Markdown of the view's entries to `path`, replacing it atomically.
    // A failure is told to the user and answered false.
    bool saveTo(const QString& path);

protected:
    LogWindow(const Layout& layout, QWidget* parent);

    virtual void takeEntries() = 0;
    virtual QList<LogRow> rows() const = 0;
    virtual QString markdown() const = 0;
    // Empties the shared log and the view's entries.
    virtual void clearLog() = 0;

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void chooseSaveLocation();
    void showRows();

    Layout layout;
    LogTableModel model;
    QTableView* table;
    QStackedLayout* body;
    QTimer* refreshTimer;
    QPointer<QFileDialog> saveDialog;
    bool placed = false;
    bool presented = false;
};

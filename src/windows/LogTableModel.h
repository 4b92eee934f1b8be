#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

// One cell of a log row. An invalid colour draws in the palette's text colour.
struct LogCell {
    QString text;
    QFont font;
    QColor colour;

    bool operator==(const LogCell& other) const = default;
};
using LogRow = QList<LogCell>;

// The rows a log window lists, oldest first, each row a fixed number of cells.
class LogTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LogTableModel(int columns, QObject* parent = nullptr);

    // Resets the model only when something changed, so that a quiet log leaves the
    // view alone.
    void setRows(QList<LogRow> rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    int columns;
    QList<LogRow> logRows;
};

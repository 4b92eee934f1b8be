#include "windows/LogTableModel.h"

LogTableModel::LogTableModel(int columns, QObject* parent)
    : QAbstractTableModel(parent)
    , columns(columns) {}

void LogTableModel::setRows(QList<LogRow> rows) {
    if (rows == logRows)
        return;
    beginResetModel();
    logRows = std::move(rows);
    endResetModel();
}

int LogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(logRows.size());
}

int LogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns;
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= logRows.at(index.row()).size())
        return {};
    const LogCell& cell = logRows.at(index.row()).at(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return cell.text;
    case Qt::FontRole:
        return cell.font;
    case Qt::ForegroundRole:
        return cell.colour.isValid() ? QVariant(cell.colour) : QVariant();
    default:
        return {};
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ui/tablerowsmodel.h"

namespace kelvor {

TableRowsModel::TableRowsModel(QObject* parent) : QAbstractTableModel(parent) {}

void TableRowsModel::setRows(TableRows rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

QString TableRowsModel::cell(int column, int row) const
{
    if (row < 1 || row > int(m_rows.size()) || column < 0 || column >= kColumns)
        return {};
    if (column == 0)
        return QString::number(row);
    return m_rows[std::size_t(row - 1)][std::size_t(column - 1)];
}

int TableRowsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int TableRowsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant TableRowsModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return cell(index.column(), index.row() + 1);
}

QVariant TableRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const names[kColumns] = {"No", "Date", "Time", "T1", "T2", "T3", "T4"};
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= kColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(names[section]);
}

}  // namespace kelvor

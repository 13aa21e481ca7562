// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ui/tablerowsmodel.h"

#include <algorithm>
#include <array>

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

std::vector<int> TableRowsModel::longestRows(int column, int perLength) const
{
    std::vector<int> out;
    const int n = int(m_rows.size());
    if (column < 0 || column >= kColumns || n == 0 || perLength <= 0)
        return out;
    if (column == 0) {  // the row numbers: the last ones are the longest
        for (int r = std::max(0, n - perLength); r < n; ++r)
            out.push_back(r);
        return out;
    }
    const std::size_t field = std::size_t(column - 1);
    qsizetype longest = 0;
    for (const TableRow& row : m_rows)
        longest = std::max(longest, row[field].size());
    constexpr int kLengths = 3;
    std::array<std::vector<int>, kLengths> byLength;
    for (int r = 0; r < n; ++r) {
        const QString& text = m_rows[std::size_t(r)][field];
        const qsizetype shorter = longest - text.size();
        if (shorter >= kLengths)
            continue;
        std::vector<int>& rows = byLength[std::size_t(shorter)];
        if (int(rows.size()) < perLength && (rows.empty() || m_rows[std::size_t(rows.back())][field] != text))
            rows.push_back(r);
    }
    for (const std::vector<int>& rows : byLength)
        out.insert(out.end(), rows.begin(), rows.end());
    return out;
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

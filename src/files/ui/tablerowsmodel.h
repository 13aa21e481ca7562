// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "files/texttable.h"

namespace kelvor {

// The rows of a text table as the table window shows them: "No" (the row number, from
// 1), then date, time and T1..T4 as read. Read-only; the rows live here, so a table of
// 100,000 lines costs one vector and no per-cell objects.
class TableRowsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TableRowsModel(QObject* parent = nullptr);

    static constexpr int kColumns = 7;

    void setRows(TableRows rows);
    const TableRows& rows() const { return m_rows; }
    // The text of cell (column, row) with the table window's numbering: row 1 is the
    // first data row and column 0 the row number. Empty outside the table.
    QString cell(int column, int row) const;

    // Model rows (from 0) whose text in `column` is among the longest: for each of the
    // three greatest lengths, up to `perLength` rows, a row repeating the text of the one
    // before it left out. Cells of equal length are about equally wide, so measuring
    // these gives the column's width without measuring every cell.
    std::vector<int> longestRows(int column, int perLength) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    TableRows m_rows;
};

}  // namespace kelvor

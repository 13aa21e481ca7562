// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/tableprintout.h"

#include <QAbstractItemModel>
#include <algorithm>

namespace kelvor {

int tableColumnWidth(int column) { return column == 2 ? 17 : 10; }

QString padTableCell(const QString& text, int column)
{
    const int missing = tableColumnWidth(column) - int(text.size());
    if (missing <= 0)
        return text;
    return text + QString(2 * missing, QLatin1Char(' '));
}

std::vector<int> tableCellStarts(const QStringList& cells)
{
    std::vector<int> starts(std::size_t(cells.size()) + 1, 0);
    for (int c = 0; c < cells.size(); ++c) {
        const int size = int(cells[c].size());
        const int missing = tableColumnWidth(c) - size;
        int next = starts[std::size_t(c)] + (missing > 0 ? size + 2 * missing : size);
        // A cell that fills its column (a long locale date) would run into the next one.
        if (missing <= 0 && c + 1 < cells.size())
            ++next;
        starts[std::size_t(c) + 1] = next;
    }
    return starts;
}

QString tableLine(const QStringList& cells)
{
    const std::vector<int> starts = tableCellStarts(cells);
    QString line(starts.back(), QLatin1Char(' '));
    for (int c = 0; c < cells.size(); ++c)
        line.replace(starts[std::size_t(c)], cells[c].size(), cells[c]);
    return line;
}

int tableGridRows(const QAbstractItemModel& model) { return model.rowCount() + 1; }

QStringList tableGridRow(const QAbstractItemModel& model, int row)
{
    QStringList cells;
    const int columns = model.columnCount();
    cells.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        const QVariant v = row == 0 ? model.headerData(c, Qt::Horizontal, Qt::DisplayRole)
                                    : model.data(model.index(row - 1, c), Qt::DisplayRole);
        cells << v.toString();
    }
    return cells;
}

TablePaging TablePaging::forPage(int pageHeight, int lineHeight)
{
    TablePaging p;
    p.lineHeight = std::max(1, lineHeight);
    p.rowsPerPage = std::max(1, pageHeight / p.lineHeight - 1);
    return p;
}

}  // namespace kelvor

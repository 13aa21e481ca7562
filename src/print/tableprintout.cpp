// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/tableprintout.h"

#include <algorithm>
#include <QAbstractItemModel>

namespace kelvor {

int tableColumnWidth(int column) { return column == 2 ? 17 : 10; }

QString padTableCell(const QString& text, int column)
{
    const int missing = tableColumnWidth(column) - int(text.size());
    if (missing <= 0)
        return text;
    return text + QString(2 * missing, QLatin1Char(' '));
}

QString tableLine(const QStringList& cells)
{
    QString line;
    for (int c = 0; c < cells.size(); ++c) {
        line += padTableCell(cells[c], c);
        // A cell that fills its column (a long locale date) would run into the next one.
        if (c + 1 < cells.size() && cells[c].size() >= tableColumnWidth(c))
            line += QLatin1Char(' ');
    }
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

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class QAbstractItemModel;

namespace kelvor {

// A table printout is plain text in a fixed-pitch font: one line per grid row, each
// cell padded to its column's width.

// Width of a printed column in characters: 17 for the time column (2), 10 for the rest.
int tableColumnWidth(int column);

// The cell text followed by two spaces for every character it is short of its
// column's width (the doubled spaces keep narrow fonts roughly aligned); a text as
// long as the width or longer stays as it is.
QString padTableCell(const QString& text, int column);

// The padded cells of one row, one after the other. A cell as long as its column or
// longer is followed by one blank, so neighbouring cells never run together.
QString tableLine(const QStringList& cells);

// The same layout as character positions: where each cell of tableLine(cells) starts,
// and last the length of the whole line. The printer draws each cell at its position
// instead of drawing the blanks.
std::vector<int> tableCellStarts(const QStringList& cells);

// Grid rows as printed: row 0 is the heading (the model's horizontal headers), row
// r > 0 is the model's row r - 1.
int tableGridRows(const QAbstractItemModel& model);
QStringList tableGridRow(const QAbstractItemModel& model, int row);

// Where rows go on the pages. The first line of every page is left blank as a top
// margin, so a page of pageHeight device pixels holds pageHeight / lineHeight - 1
// rows and the last of them still ends inside the page. A page too short for that
// still takes one row, so every row is printed.
struct TablePaging {
    int lineHeight = 1;
    int rowsPerPage = 1;

    static TablePaging forPage(int pageHeight, int lineHeight);
    // True when grid row r starts a new page.
    bool newPageBefore(int row) const { return row > 0 && row % rowsPerPage == 0; }
    // Top of grid row r on its page.
    int rowTop(int row) const { return (row % rowsPerPage) * lineHeight + lineHeight; }
    int pageCount(int rows) const { return rows <= 0 ? 0 : (rows + rowsPerPage - 1) / rowsPerPage; }
};

}  // namespace kelvor

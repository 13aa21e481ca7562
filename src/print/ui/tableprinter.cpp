// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/ui/tableprinter.h"

#include <QAbstractItemModel>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include "print/ui/printfiletarget.h"
#include "print/ui/tablerowglyphs.h"
#include "program/program.h"
#include "program/prompts.h"

namespace kelvor {

QFont tablePrintFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSize(8);
    return font;
}

TablePaging tablePaging(QPrinter& printer)
{
    const QFontMetrics metrics(tablePrintFont(), &printer);
    const int h = metrics.size(Qt::TextSingleLine, QStringLiteral("String Grid Printout")).height();
    return TablePaging::forPage(printer.height(), h);
}

bool PrintTable(Program& program, QWidget* parent, const QAbstractItemModel& grid)
{
    QPrinter& printer = program.printer();
    if (!program.prompts.printDialog(parent, printer))
        return false;

    PrintFileTarget target(printer);
    if (!target.error().isEmpty()) {
        program.prompts.error(parent, target.error());
        return false;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        program.prompts.error(parent, QStringLiteral("The printer could not be started."));
        return false;
    }
    const QFont font = tablePrintFont();
    painter.setFont(font);
    const int ascent = QFontMetrics(font, &printer).ascent();
    // A fixed-pitch font: every character, the blank too, is this wide.
    const double advance = QFontMetricsF(font, &printer).horizontalAdvance(QLatin1Char(' '));
    const TablePaging paging = tablePaging(printer);
    TableRowGlyphs glyphs(QFont(font, &printer), advance);

    const int rows = tableGridRows(grid);
    for (int r = 0; r < rows; ++r) {
        if (paging.newPageBefore(r))
            printer.newPage();
        // Each cell at its place in the line rather than the whole padded line: the
        // blanks between cells would cost as much to lay out and store as the text.
        const QStringList cells = tableGridRow(grid, r);
        const std::vector<int> starts = tableCellStarts(cells);
        // Text is drawn on its baseline; the row's top is where its line starts.
        const double baseline = paging.rowTop(r) + ascent;
        if (glyphs.draw(painter, 1, baseline, cells, starts))
            continue;
        for (int c = 0; c < cells.size(); ++c)
            if (!cells[c].isEmpty())
                painter.drawText(QPointF(1 + starts[std::size_t(c)] * advance, baseline), cells[c]);
    }
    const bool ended = painter.end();
    if (const QString error = target.commit(); !error.isEmpty()) {
        program.prompts.error(parent, error);
        return false;
    }
    return ended;
}

}  // namespace kelvor

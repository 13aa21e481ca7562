// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

#include "print/tableprintout.h"

class QAbstractItemModel;
class QPrinter;
class QWidget;

namespace kelvor {

class Program;

// The table printout's font: the system's fixed-pitch font at 8 points.
QFont tablePrintFont();

// Line height and rows per page for the printer's current page; the line height is
// the height of "String Grid Printout" in the printout font on that printer.
TablePaging tablePaging(QPrinter& printer);

// Asks with the print dialog, then prints the grid (heading and every row) as text
// lines on the program's printer. False when cancelled or the printer failed (the
// failure is reported).
bool PrintTable(Program& program, QWidget* parent, const QAbstractItemModel& grid);

}  // namespace kelvor

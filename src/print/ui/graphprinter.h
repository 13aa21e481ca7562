// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QPrinter;
class QWidget;

namespace kelvor {

class ChartView;
class Program;
class TfrmGraph;

// The graph window's print command: a short customise dialog (style and colours
// only), then the print dialog and the chart on one page.
void PrintGraph(Program& program, TfrmGraph& window);

// Asks with the print dialog (landscape unless the chart asks for portrait) and draws
// the chart as it looks now over the whole printable page, as vectors at the
// printer's resolution. The printer keeps its orientation for other prints. False
// when cancelled or the printer failed (the failure is reported).
bool PrintChart(Program& program, QWidget* parent, ChartView& view);

}  // namespace kelvor

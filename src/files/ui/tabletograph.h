// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace kelvor {

class Program;
class TfrmGraph;

// "Output Tabular to graph": draws the active table window in a new graph window
// (kept as the program's newest file graph). Does nothing unless `active` is a table
// window. Returns the new window, if one was made.
TfrmGraph* btnOutputToGraphClick(Program& program, QWidget* active);

}  // namespace kelvor

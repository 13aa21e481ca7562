// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kelvor {

class Program;
class TfrmGraph;

// A spreadsheet table the program wrote, read back into a new graph window (the graph it
// was written from: its samples, unit and why values are missing). A file that cannot be
// read is reported with its name and line, and no window is left behind.
TfrmGraph* OpenSpreadsheetTable(Program& program, const QString& path);

// A ".txt" or ".csv" as File > Open takes it: a spreadsheet table (known by its header)
// as a graph, any other file as a text table. True when a window opened.
bool OpenTableFile(Program& program, const QString& path);

}  // namespace kelvor

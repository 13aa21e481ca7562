// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvor {

class Program;
class TfrmGraph;
struct DataSetStore;

// The DataLogger window: created (caption "DataLogger", data set list shown, the size
// of the frame's client area less 60 px, at its top left, an empty one-channel chart)
// or, when it exists, returned to the normal window state. Never null.
TfrmGraph* EnsureLoggerGraph(Program& program);

// Rebuilds the data set list from the store and selects its first row.
void FillDataSetList(TfrmGraph& window, const DataSetStore& store);

// Draws data set k (from 0) in the DataLogger window with its statistics. Does nothing
// without that window or without such a data set.
void ShowDataSet(Program& program, int k);

// Lets the graph windows' list clicks reach ShowDataSet.
void InstallDataLoggerHooks(Program& program);

}  // namespace kelvor

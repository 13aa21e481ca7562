// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace kelvor {

class ChartModel;
class Program;
class TfrmGraph;

// Sets up a chart: the graph template's look when it can be read, otherwise the
// default look (four stacked axes, one channel each), then size, empty data and the
// X range (when xMin is not 0). Messages go to `parent`.
void PrepareGraph(Program& program, ChartModel& chart, int subsets, float yMax, float yMin, double xMax, double xMin,
                  int points, QWidget* parent);

// Creates and shows the real-time graph window and remembers it in the program.
TfrmGraph* OpenRealTimeGraph(Program& program);

// Empties a graph window: data, statistics fields, the run's sample count, and moves the
// annotations placed so far out of sight; the next annotation gets index 4 again.
void ClearGraph(TfrmGraph& window);

}  // namespace kelvor

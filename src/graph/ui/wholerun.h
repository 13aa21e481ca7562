// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

class QWidget;

namespace kelvor {

class ChartModel;
class Program;

// What a graph window's save, print, report and export write. An open-ended real-time
// run keeps only its latest samples in the window while the library keeps every one;
// writing the window's chart alone would quietly leave the start of the run out.
class WholeRun {
public:
    // `shown` is the chart of graph window `window`.
    WholeRun(Program& program, ChartModel& shown, QWidget* window);
    ~WholeRun();

    // The chart to write: the window's own when it holds its whole run, otherwise a copy
    // of it (look, annotations, alarm events) with the run's earlier samples read back
    // from the library ahead of the window's. When the library cannot give them, the user
    // is told what the window holds and asked whether to write just that; nullptr when
    // they would rather not.
    ChartModel* chart();

private:
    Program& m_program;
    ChartModel& m_shown;
    QWidget* m_window;
    std::unique_ptr<ChartModel> m_whole;
};

}  // namespace kelvor

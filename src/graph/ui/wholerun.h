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
    // of it (look, annotations, alarm events) with the run's earlier samples, which the
    // recording session keeps, ahead of the window's. Never null.
    ChartModel* chart();

private:
    Program& m_program;
    ChartModel& m_shown;
    QWidget* m_window;
    std::unique_ptr<ChartModel> m_whole;
};

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

class QWidget;

namespace kelvor {

class Program;

// The real-time run's commands on the real-time graph window. The main window's Run and
// Stop (buttons and menu items) call the first two; the monitor loop hands each due
// sample to the third.

// Asks about unsaved samples, runs the setup dialog and starts a run.
void RealTimeRunClick(Program& program, QWidget* parent);
// Ends the run: the store is cut to the samples taken and the averages are written.
void RealTimeStopClick(Program& program);
// Appends one sample to the run; stops the run when the store is full. Called from
// inside the monitor tick.
void AppendRealTimeSample(Program& program, std::uint8_t flags, double time, float t1, float t2, float t3, float t4);

// Plugs AppendRealTimeSample into the program's hand-over from the monitor loop.
void InstallRealTimeRun(Program& program);

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

class QWidget;

namespace kelvor {

class Program;

// The real-time run's commands, which the main window's Run and Stop (buttons and menu
// items) call. The run itself is the program's recording session; the real-time graph
// window observes it (RealTimeView).

// Asks about unsaved samples, runs the setup dialog and starts a run.
void RealTimeRunClick(Program& program, QWidget* parent);
// Ends the run.
void RealTimeStopClick(Program& program);

}  // namespace kelvor

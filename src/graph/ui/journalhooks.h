// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace kelvor {

class ChartModel;
class Program;
struct ChartAlarmEvent;

// Where the real-time run meets the library: the run's commands call these, and
// without a library (program.library unset) they do nothing. A write problem is told
// once, after the monitor tick that met it.

// A run has started: opens its recording.
void JournalRunStarted(Program& program);
// A sample was appended to the run: commits it.
void JournalSampleTaken(Program& program, std::uint8_t flags, double time, const std::array<float, 4>& values);
// The run met an alarm event (a limit crossed or returned inside): commits it.
void JournalAlarmEvent(Program& program, const ChartAlarmEvent& event);
// The run has ended (Stop, a rate change, the window closed): marks the recording
// complete with its statistics and the chart's annotations.
void JournalRunEnded(Program& program, const ChartModel* chart);

}  // namespace kelvor

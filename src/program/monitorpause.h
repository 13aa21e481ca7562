// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "program/program.h"

namespace kelvor {

// Keeps the monitor loop paused for as long as it lives, so every way out of an
// exchange resumes it (like QSignalBlocker).
class MonitorPause {
public:
    explicit MonitorPause(Program& program) : m_program(program) { m_program.PauseMonitor(); }
    ~MonitorPause() { m_program.ResumeMonitor(); }
    MonitorPause(const MonitorPause&) = delete;
    MonitorPause& operator=(const MonitorPause&) = delete;

private:
    Program& m_program;
};

}  // namespace kelvor

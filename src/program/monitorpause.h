// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "meter/monitorhook.h"

namespace kelvor {

// Keeps the monitor loop paused for as long as it lives, so every way out of an
// exchange resumes it (like QSignalBlocker). One inside another leaves the loop as
// the outer one wants it.
class MonitorPause {
public:
    explicit MonitorPause(MonitorHook& monitor) : m_monitor(monitor) { m_monitor.pause(); }
    ~MonitorPause() { m_monitor.resume(); }
    MonitorPause(const MonitorPause&) = delete;
    MonitorPause& operator=(const MonitorPause&) = delete;

private:
    MonitorHook& m_monitor;
};

}  // namespace kelvor

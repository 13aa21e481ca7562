// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "meter/monitorhook.h"

namespace kelvor {

// Stands for the monitor loop, which comes and goes with the main window: pause() and
// resume() reach the loop installed now and do nothing without one, so a window can
// hold on to the switch for as long as it lives.
class MonitorSwitch final : public MonitorHook {
public:
    void install(MonitorHook* loop) { m_loop = loop; }
    MonitorHook* loop() const { return m_loop; }
    void pause() override
    {
        if (m_loop)
            m_loop->pause();
    }
    void resume() override
    {
        if (m_loop)
            m_loop->resume();
    }
    void restart() override
    {
        if (m_loop)
            m_loop->restart();
    }

private:
    MonitorHook* m_loop = nullptr;
};

}  // namespace kelvor

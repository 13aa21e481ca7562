// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvor {

// Keeps the monitor loop off the link while another sender uses it: pause() stops the
// poll timer, resume() starts it again.
class MonitorHook {
public:
    virtual void pause() = 0;
    virtual void resume() = 0;

protected:
    ~MonitorHook() = default;
};

}  // namespace kelvor

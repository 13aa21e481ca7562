// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvor {

// Keeps the monitor loop off the link while another sender uses it. Pauses nest, as
// the waits of one sender let another one run: pause() stops the poll timer, and the
// resume() that ends the outermost pause puts it back as that pause found it, so an
// inner pause never restarts the polling in the middle of an outer exchange.
class MonitorHook {
public:
    virtual void pause() = 0;
    virtual void resume() = 0;
    // Starts the poll timer unless a pause is held (a window that wants the polling
    // back whatever happened before, without ending anybody's pause).
    virtual void restart() = 0;

protected:
    ~MonitorHook() = default;
};

}  // namespace kelvor

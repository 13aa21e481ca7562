// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

#include "meter/livereading.h"
#include "meter/meterdevice.h"
#include "meter/meterlink.h"
#include "meter/monitorcycle.h"

namespace kelvor {

class Clock;

// A meter read beside the program's own in a run of several (--meter given several
// times): its device, link, monitor state and last reading. The monitor loop ticks it
// with the first meter; the session takes its readings into the same rows.
struct OtherMeter {
    OtherMeter(std::unique_ptr<MeterDevice> d, Clock& clock) : device(std::move(d)), link(*device, clock) {}

    std::unique_ptr<MeterDevice> device;
    MeterLink link;
    MonitorState monitor;
    LiveReading live;
    QString problem;  // why its device could not be made (it then never answers)
    // Takes part in the next run (Real Time > Meters…); it is read all the same, for the
    // status bar.
    bool chosen = true;
};

}  // namespace kelvor

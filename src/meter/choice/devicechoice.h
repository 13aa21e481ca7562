// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <QString>

#include "meter/devicefactory.h"
#include "meter/sim/simdevice.h"

namespace kelvor {

class Clock;

// --meter=usb (default) | sim[:options] | replay:FILE, optionally wrapped by
// --capture FILE. Returns nullptr with a message in *error for a bad choice of meter.
std::unique_ptr<MeterDevice> createDevice(const QString& meterChoice, const QString& captureFile,
                                          Clock& clock, QString* error);

}  // namespace kelvor

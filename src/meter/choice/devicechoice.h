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

// Checks the two options' values without opening anything: a meter kind that does not
// exist, simulator options that do not parse, "replay:" without a file or an empty
// --capture. Returns the message naming the bad value, or an empty text. (A replay or
// capture file that cannot be opened is found when the device is made.)
QString MeterOptionsError(const QString& meterChoice, const QString& captureFile, bool captureGiven);

}  // namespace kelvor

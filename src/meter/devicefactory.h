// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <QString>

#include "meter/meterdevice.h"

namespace kelvor {

class Clock;

// --meter=usb (default) | sim[:options] | replay:FILE, optionally wrapped by
// --capture FILE. Returns nullptr with a message in *error for a bad choice of meter.
std::unique_ptr<MeterDevice> createDevice(const QString& meterChoice, const QString& captureFile,
                                          Clock& clock, QString* error);

// The backends (each in its own file).
std::unique_ptr<MeterDevice> createUsbDevice(QString* error);
std::unique_ptr<MeterDevice> createSimDevice(const QString& options, Clock& clock, QString* error);
std::unique_ptr<MeterDevice> createReplayDevice(const QString& file, QString* error);
std::unique_ptr<MeterDevice> wrapWithCapture(std::unique_ptr<MeterDevice> inner, const QString& file,
                                             QString* error);

}  // namespace kelvor

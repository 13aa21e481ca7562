// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "meter/devicefactory.h"
#include "meter/sim/simdevice.h"
#include "meter/usbdevice.h"

namespace kelvor {

class Clock;

// The hidapi the usb backend talks through; tests hand in a fake one.
using HidApiFactory = std::function<std::unique_ptr<HidApi>()>;

// --meter=usb (default, any meter) | usb:SERIAL (the meter with that USB serial) |
// sim[:options] | replay:FILE (a remote meter has no device), optionally wrapped by --capture FILE. Returns nullptr
// with a message in *error for a bad choice of meter. Without `hid` the usb backend
// uses the system's hidapi.
std::unique_ptr<MeterDevice> createDevice(const QString& meterChoice, const QString& captureFile, Clock& clock,
                                          QString* error, const HidApiFactory& hid = {});

// A meter that another computer publishes: --meter=mqtt://... or mqtts://... (its address
// is read by publish/remotemeter.h). No device is made for it; the commands that read it
// take it as a source of their own.
bool IsRemoteMeterChoice(const QString& meterChoice);

// Checks the two options' values without opening anything: a meter kind that does not
// exist, simulator options that do not parse, "replay:" without a file, "usb:" without
// a serial or an empty --capture. Returns the message naming the bad value, or an
// empty text. (A replay or capture file that cannot be opened is found when the
// device is made.)
QString MeterOptionsError(const QString& meterChoice, const QString& captureFile, bool captureGiven);

// The most meters one run reads.
inline constexpr int kMaxMeters = 8;

// --meter given several times (one run of several meters): each value checked as
// above, at most kMaxMeters of them, each naming one meter of its own (usb:SERIAL, a
// simulated meter with a serial of its own), and --capture only with one meter. One
// value is checked as MeterOptionsError does. Returns the message, or an empty text.
QString MeterListError(const QStringList& meterChoices, const QString& captureFile, bool captureGiven);

}  // namespace kelvor

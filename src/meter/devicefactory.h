// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

#include "meter/meterdevice.h"

namespace kelvor {

// The backends of this folder (each in its own file); the simulated meter's is in
// meter/sim/simdevice.h, the usb one in meter/usbdevice.h, the choice between them in
// meter/choice/devicechoice.h.
std::unique_ptr<MeterDevice> createReplayDevice(const QString& file, QString* error);
std::unique_ptr<MeterDevice> wrapWithCapture(std::unique_ptr<MeterDevice> inner, const QString& file, QString* error);

}  // namespace kelvor

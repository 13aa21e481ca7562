// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <vector>

#include "session/recordingsession.h"

namespace kelvor {

class MeterDevice;
class MeterLink;

// The USB serial the device reports; empty when it reports none.
QString ReportedSerial(MeterDevice& device);

// The run's sources as the command line chose them, one per link: the model, the serial
// (as the device reports it, else as it was chosen) and the name the program's settings
// keep for that serial.
std::vector<SessionSource> ChosenSources(const std::vector<MeterLink*>& links);

}  // namespace kelvor

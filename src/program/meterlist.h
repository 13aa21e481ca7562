// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstddef>
#include <vector>

#include "base/result.h"

namespace kelvor {

class Program;
class MeterDevice;

// One line of Real Time > Meters…: a meter the program reads, or one found on the bus
// that it does not read yet.
struct MeterEntry {
    QString serial;  // empty: the meter gives none (it cannot keep a name)
    QString model;
    QString name;  // the name the settings keep for the serial
    // Which of the program's meters: 0 the default (Program::device), i the other
    // meter i - 1; -1 a meter found that the program does not read yet.
    int meter = -1;
    bool chosen = false;  // takes part in the next run
    QString problem;      // why it cannot be read (a found meter that cannot be opened)
    bool isDefault() const { return meter == 0; }
};

// The meters' model, as every reading of this family says.
inline const QString kMeterModel = QStringLiteral("QZX");

// The serial a device gives: the meter it reached, else the one it was asked for.
QString DeviceSerial(MeterDevice& device);

// The program's meters in order (the default first), then every meter the default's
// backend finds that none of them is, unticked. Names come from the settings.
std::vector<MeterEntry> ListMeters(Program& program);

// Takes the dialog's choice: which meters take part in the next run (the default always
// does), a found meter ticked is read from now on, and each name is kept for its
// serial. Refuses more than kMaxMeters, or a name that cannot be stored, and changes
// nothing then.
Status ChooseMeters(Program& program, const std::vector<MeterEntry>& entries);

// The other meters (indexes into Program::otherMeters) that take part in a run started now.
std::vector<std::size_t> ChosenOtherMeters(const Program& program);

}  // namespace kelvor

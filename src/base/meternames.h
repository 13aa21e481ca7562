// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>
#include <QString>

namespace kelvor {

// The names the user gives meters ("Oven A"), kept per USB serial in the program's
// settings, so a meter keeps its name from run to run and in both programs.
inline constexpr int kMaxMeterNameLength = 40;

// The stored name of the meter with `serial`; empty when it has none.
QString ReadMeterName(QSettings& settings, const QString& serial);
// Stores `name` (trimmed, control characters dropped, at most kMaxMeterNameLength
// characters; empty forgets it) for `serial`. Returns what went wrong storing it, empty
// when it is stored.
QString WriteMeterName(QSettings& settings, const QString& serial, const QString& name);
// The name as it is stored: trimmed, without control characters, cut to length.
QString CleanMeterName(const QString& name);
// What a meter is called where its channels are named: its name, else its serial, else
// "Meter N" (N counted from 1).
QString MeterLabel(const QString& name, const QString& serial, int index);
// How a table's header or a report names a meter of a run of several: "Oven A (KV-0042)",
// its name or its serial where it has only one, "Meter N" (from 1) where it has neither.
QString MeterHeading(const QString& name, const QString& serial, int index);

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineOption>
#include <QDateTime>

#include "graph/alarms.h"

namespace kelvor {

class CliContext;
struct LiveReading;

// --alarm T1>180 (repeatable) and --hysteresis DEG for the commands that read a run.
extern const QCommandLineOption kAlarmOption;
extern const QCommandLineOption kHysteresisOption;

// The limits given on the command line; false (after saying why) on a bad one.
bool AlarmLimitsFromArgs(CliContext& ctx, AlarmLimits& limits);

// Feeds a reading to the monitor and writes a line per alarm event to stderr:
// "kelvor-cli: alarm 2026-01-05T10:00:01 T1 181.2 above high limit 180".
void ReportAlarms(CliContext& ctx, AlarmMonitor& monitor, const QDateTime& when, const LiveReading& reading);

}  // namespace kelvor

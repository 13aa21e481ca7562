// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <vector>

#include "meter/livereading.h"
#include "session/recordingsession.h"

namespace kelvor {

// How kelvor-cli prints a reading: time, T1..T4 (degrees C, one decimal, "OL", "----"),
// tab-separated or as a comma table; the locale's formats or ISO ones.
struct LineFormat {
    bool csv = false;
    bool iso = false;
    QLocale locale;
};

QString readingLine(const QDateTime& t, const LiveReading& r, const LineFormat& f);
// The header of a comma table of readings.
inline constexpr const char* kReadingCsvHeader = "time,T1,T2,T3,T4";

// A sample time of several meters on one line: the time, then T1..T4 of each meter in
// the order given; a meter that gave no reading then leaves its four fields empty.
QString rowLine(const QDateTime& t, const std::vector<SessionMeterReading>& meters, const LineFormat& f);
// The header naming each meter's channels ("Oven A T1", or its serial where it has no
// name): tab-separated after "time", or as a comma table.
QString rowHeader(const std::vector<SessionSource>& meters, const LineFormat& f);
// The same sample time as one JSON object on one line, for scripts:
// {"time":"2026-01-05T10:00:01.200","meters":[{"serial":"A","name":"Oven A",
// "T":[23.4,"OL","----",21]},{"serial":"B","name":"","T":null}]}; degrees C with one
// decimal, null for a meter that gave no reading then.
QString rowJson(const QDateTime& t, const std::vector<SessionSource>& sources,
                const std::vector<SessionMeterReading>& meters);
// A reading as one meter's part of a row.
inline SessionMeterReading rowReading(const LiveReading& r) { return {true, r.ChannelFlags, r.T, false}; }

}  // namespace kelvor

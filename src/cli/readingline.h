// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include "meter/livereading.h"

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

}  // namespace kelvor

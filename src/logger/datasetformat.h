// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "logger/datasetstore.h"

namespace kelvor {

// How dates, times and numbers are written in lists and tables: the locale's formats,
// or ISO (yyyy-MM-dd, HH:mm:ss, '.' decimals) for scripts.
struct TextStyle {
    QLocale locale;
    bool iso = false;

    static TextStyle system() { return {QLocale(), false}; }
    static TextStyle isoStyle() { return {QLocale::c(), true}; }
};

// Columns of the data set list, one row per data set.
QStringList DataSetListHeaders();
// The row of data set k (from 0): Set, DATE, TIME, Rate, Nums, Unit, Couple, T1..T4 Offset.
QStringList DataSetListRow(const DataSet& s, int k, const TextStyle& style);

QString FormatRate(int intervalSeconds);  // "mm:ss"; 90 s -> "01:30", 6000 s -> "100:00"
QString FormatUnit(const DataSet& s);     // "C" or "F"
QString FormatCouple(int thermoType);     // "K", "J", "E", "T"; unknown types show "K"
// Offsets are stored in tenths of a degree F; a Celsius set shows them converted.
double OffsetInUnit(const DataSet& s, int channel);

// Table fields (text tables and the graph export).
QString FormatTableDate(const QDateTime& dt, const TextStyle& style);  // short date
QString FormatTableTime(const QDateTime& dt, const TextStyle& style);  // long time
QString FormatDecimal(double v, const TextStyle& style);               // fixed, one decimal
// A temperature cell: "OL" when y > 2500 or y < -328 (this covers the gap value 9999).
QString FormatTemperature(double y, const TextStyle& style);

}  // namespace kelvor

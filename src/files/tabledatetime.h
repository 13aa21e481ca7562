// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <optional>

#include "files/texttable.h"

namespace kelvor {

// Reads a table row's date and time cells. The date: the locale's short format (as
// the tables are written) with a two- or four-digit year, its long format, or ISO
// yyyy-MM-dd; a two-digit year is taken in 2000..2099. The time: the locale's long or
// short format, or HH:mm:ss (ISO; the hour with or without its leading zero). Returns days since 30 Dec 1899, or nothing.
std::optional<double> ParseTableDateTime(const QString& date, const QString& time, const QLocale& locale = QLocale());

// The message for a date-time that cannot be read.
QString DateTimeConversionError(const QString& text);

// Whether a row read from a table file is a table row at all: its date and time read
// as a date-time, or one of T1..T4 is "OL" or a number (the locale's or '.' decimals).
// Rows with some unreadable cells are still rows; a file of none is no table.
bool IsReadableTableRow(const TableRow& row, const QLocale& locale = QLocale());

// A temperature cell read as a decimal number in the locale's notation.
std::optional<float> ParseTableValue(const QString& cell, const QLocale& locale = QLocale());

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <QLocale>
#include <QString>

namespace kelvor {

// Reads a table row's date and time cells with the locale's short date and long time
// formats (as the tables are written), or as ISO yyyy-MM-dd and HH:mm:ss. A two-digit
// year is taken in 2000..2099. Returns days since 30 Dec 1899, or nothing.
std::optional<double> ParseTableDateTime(const QString& date, const QString& time,
                                         const QLocale& locale = QLocale());

// The message for a date-time that cannot be read.
QString DateTimeConversionError(const QString& text);

// A temperature cell read as a decimal number in the locale's notation.
std::optional<float> ParseTableValue(const QString& cell, const QLocale& locale = QLocale());

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <QLocale>
#include <QString>

namespace kelvor {

// Reads a table row's date and time cells. The date: the locale's short format (as
// the tables are written) with a two- or four-digit year, its long format, or ISO
// yyyy-MM-dd; a two-digit year is taken in 2000..2099. The time: the locale's long or
// short format, or ISO HH:mm:ss. Returns days since 30 Dec 1899, or nothing.
std::optional<double> ParseTableDateTime(const QString& date, const QString& time,
                                         const QLocale& locale = QLocale());

// The message for a date-time that cannot be read.
QString DateTimeConversionError(const QString& text);

// A temperature cell read as a decimal number in the locale's notation.
std::optional<float> ParseTableValue(const QString& cell, const QLocale& locale = QLocale());

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include "export/exportresult.h"

namespace kelvor {

struct ExportSeries;

// A comma table for spreadsheets, the same bytes in every locale: UTF-8, CR LF, a header
// "Time,T1 (°C),...,T4 (°C)", ISO 8601 local date-times with the offset, '.' decimals,
// one decimal, empty cells where the meter had no value. When there are such cells a
// last column "Flags" says why ("T2 OL"). A run of several meters has a column per
// channel, each named with its meter ("Oven A (KV-0042) T1 (°C)").
QByteArray SpreadsheetCsv(const ExportSeries& series);

Status WriteSpreadsheetCsv(const ExportSeries& series, const QString& path);

}  // namespace kelvor

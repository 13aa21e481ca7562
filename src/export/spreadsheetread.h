// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include "base/result.h"
#include "export/exportseries.h"

namespace kelvor {

// Whether a file's first line is the header the spreadsheet table writes
// ("Time,T1 (°C),...,T4 (°C)" with °F or a last ",Flags"): such a ".csv" is one of ours,
// not a text table, and opens as the graph it was written from. The header of a run of
// several meters counts too, so that such a table is refused as what it is.
bool IsSpreadsheetHeader(QByteArrayView firstLine);
bool IsSpreadsheetTableFile(const QString& path);

// Reads a spreadsheet table back: the times as the clock showed them where it was written
// (the local date-time; the UTC offset is checked, not applied), empty cells as the gap
// value, "T2 OL T4 ----" in Flags as the meter's flags. Files over 64 MiB (as for a
// text table) are refused, as are lines that are not the table's. The series has the
// samples, the unit and, from the Flags column, why a value is missing; a failure names
// the file and the line that is wrong, and nothing of the file is kept. A table of several
// meters is refused with a message that says so.
Result<ExportSeries> ReadSpreadsheetTable(const QString& path);
Result<ExportSeries> ParseSpreadsheetTable(const QByteArray& bytes, const QString& name);

}  // namespace kelvor

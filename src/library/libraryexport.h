// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

namespace kelvor {

class Clock;
class Library;
struct Profile;
struct TextStyle;

struct LibraryExportResult {
    std::int64_t lines = 0;  // table lines or chart points written
    QString error;           // names the file and the reason; nothing was replaced
    bool ok() const { return error.isEmpty(); }
};

// Writes library item `id` to `path`, the kind of file chosen by its extension:
// - a recording: ".txt" (tab) or ".csv" (comma) table of every sample, ".ghf" graph file
//   (with the look of `templatePath` when that can be read), ".xlsx" workbook;
// - a download: ".ch4" collection file (the memory image as downloaded), or ".txt"/".csv"
//   table or ".xlsx" workbook of data set `set` (from 1; for a workbook 0 is every set).
// Tables are the program's text tables (date, time, T1..T4; "OL" for gaps) in `style`; a
// run of several meters gets a header line naming each meter's channels and every
// channel on each line, and its graph file is one per meter (MeterGraphPath).
LibraryExportResult ExportLibraryItem(const Library& library, std::int64_t id, const QString& path, int set,
                                      const TextStyle& style, const Clock& clock,
                                      const QString& templatePath = QString());

// Where a graph file of a run of several meters puts meter `meter` (from 1): the first
// at `path`, the others beside it as NAME-2.ghf, NAME-3.ghf, ...
QString MeterGraphPath(const QString& path, int meter);

// The spreadsheet table (the same bytes in every locale, see SpreadsheetCsv) of a
// recording or of data set `set` (from 1) of a download.
LibraryExportResult ExportLibrarySpreadsheet(const Library& library, std::int64_t id, const QString& path, int set,
                                             const Clock& clock);
// The workbook (see WriteWorkbook) of a recording or of data set `set` of a download
// (from 1; 0: one sheet per data set), whatever the name of `path`; with a profile, the
// Info sheet holds each data set's check against it (channel: see ProfileChecker).
LibraryExportResult ExportLibraryWorkbook(const Library& library, std::int64_t id, const QString& path, int set,
                                          const Clock& clock, const Profile* profile = nullptr, int channel = -1);

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineOption>
#include <QString>

namespace kelvor {

class CliContext;
struct DataSetStore;
struct TextStyle;

inline const QCommandLineOption kExportFormat(
    QStringLiteral("format"),
    QStringLiteral("table (date, time, T1..T4 as the program saves them; the default), spreadsheet "
                   "(a comma table with a header, ISO 8601 times and '.' decimals, the same in every "
                   "locale) or xlsx (an Excel workbook; the default for -o *.xlsx)."),
    QStringLiteral("FORMAT"));
inline const QCommandLineOption kExportAll(QStringLiteral("all"),
                                           QStringLiteral("Every data set, one sheet each (xlsx only)."));

// The export format asked for: "table", "spreadsheet" or "xlsx"; empty (with the
// message written) when the options do not fit together.
QString ChosenExportFormat(CliContext& ctx, const QString& target);

// Writes data set `set` (from 1; 0 = all) of the store as a spreadsheet table or a
// workbook to target (a spreadsheet table without target goes to standard output).
int WriteFormattedExport(CliContext& ctx, const DataSetStore& store, const QString& format, int set,
                         const QString& target);

// False, with the message written, when a table with separator `sep` written to target
// would hold decimal commas between its comma separators.
bool TableFitsLocale(CliContext& ctx, const QString& target, QChar sep, const TextStyle& style);

// Writes the samples of a graph file (.ghf) as a spreadsheet table or a workbook.
int ExportGraphFile(CliContext& ctx, const QString& path, const QString& format, const QString& target);

// Reads and decodes a collection file; on failure the message is written.
bool LoadCollectionForCli(CliContext& ctx, const QString& path, DataSetStore& store);

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "export/exportseries.h"

class QWidget;

namespace kelvor {

class ChartModel;
class Program;

// Named for what sets it apart from the comma table ("EXCEL file format") beside it.
inline const QString kSpreadsheetFilter = QStringLiteral("Spreadsheet table with header and ISO times (*.csv)");
inline const QString kWorkbookFilter = QStringLiteral("Excel workbook (*.xlsx)");

// The export choices the graph save dialog offers after its own, in Qt's filter form.
QString ExportSaveFilters();

// What a graph window holds, as series: the drawn data set (or, when `everySet`, every
// data set of the download) in the DataLogger window, otherwise the chart's points.
std::vector<ExportSeries> GraphSeries(Program& program, const ChartModel& chart, QWidget* window, bool everySet);

// Writes the export chosen in the save dialog: nothing (nullopt) when the choice is
// none of them, else whether the file was written; a failure is shown.
std::optional<bool> SaveGraphExport(Program& program, const ChartModel& chart, QWidget* window, const QString& path,
                                    const QString& selectedFilter);

}  // namespace kelvor

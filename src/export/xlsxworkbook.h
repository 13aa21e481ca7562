// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <vector>

#include "export/exportresult.h"
#include "export/seriescheck.h"

namespace kelvor {

struct ExportSeries;

// An Excel workbook: one sheet per series (date-time cells, one-decimal numbers, empty
// cells where the meter had no value, a frozen header with units and a line chart of the
// four channels), then a sheet "Info" with each series' source and statistics (and, where
// `checks` holds one for it, the series' check against a profile: each rule and its
// result). Written beside the target and renamed into place only when complete.
Status WriteWorkbook(const std::vector<ExportSeries>& series, const QString& path,
                     const std::vector<SeriesCheck>& checks = {});

}  // namespace kelvor

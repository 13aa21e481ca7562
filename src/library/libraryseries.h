// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>
#include <vector>

#include "chart/chartmodel.h"
#include "export/exportseries.h"

namespace kelvor {

class Clock;
class Library;

// A library item as the spreadsheet table, the workbook and the report see it.
struct LibraryItemSeries {
    std::vector<ExportSeries> series;           // a recording: one; a download: the data sets asked for
    QString name;                               // the item's name in the library; may be empty
    QString meter;                              // model and serial where the library knows them
    QList<QPair<double, QString>> annotations;  // a recording's: date-time (days), text
    std::vector<ChartAlarmEvent> alarmEvents;   // a recording's
    QString error;                              // why there is nothing; names the item
    bool ok() const { return error.isEmpty(); }
};

// Every sample of recording `id`, or data set `set` (from 1; 0: every one) of download `id`.
LibraryItemSeries SeriesOfLibraryItem(const Library& library, std::int64_t id, int set, const Clock& clock);

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "graph/statistics.h"

namespace kelvor {

class ChartModel;
struct DataSetStore;

// The samples of one run or data set as the exports and the report see them: a flat
// copy, so the writers need neither the chart nor the store.
struct ExportSeries {
    QString name;               // "Set 1", "Run": the sheet name
    QString unit;               // "°C" or "°F"
    std::vector<double> times;  // days since 30 Dec 1899, local time
    std::vector<float> values;  // four per sample, T1..T4
    // The meter's flags per sample where the data keep them (a run, a library recording):
    // bit c "OL", bit c+4 "----" of channel c+1. Empty when not known (a download, a
    // graph file): every missing value is then "OL".
    std::vector<std::uint8_t> flags;
    QList<QPair<QString, QString>> source;  // label, text: where the samples came from
    // The times come from the meter's clock (a data set), which knows no daylight saving:
    // written with UTC offsets they all take the offset at the start, so they stay one
    // interval apart. Otherwise (the PC's clock) each takes the offset it was taken with.
    bool meterClock = false;

    int samples() const { return int(times.size()); }
    float value(int sample, int channel) const { return values[size_t(4 * sample + channel)]; }
    // Why channel c of a sample has no value: "----" when the meter showed no reading
    // (no thermocouple), else "OL".
    QString missingText(int sample, int channel) const;
};

// A value the meter could not measure (over range, no input, the gap value): written as
// an empty cell, never as a number.
inline bool IsMissingValue(float y) { return !(y <= 2500.0f && y >= -328.0f); }

// The Flags cell of a spreadsheet row: each channel without a value and why
// ("T2 OL T4 ----"); empty when every channel has one.
QString MissingFlagsText(const ExportSeries& series, int sample);

// Data set k (from 0) of a download or collection, with its details as the source.
ExportSeries SeriesFromDataSet(const DataSetStore& store, int k);
// The filled points of a chart (until the first X of 0.0), in the chart's unit.
ExportSeries SeriesFromChart(const ChartModel& chart, const QString& name);

// The statistics the graph window would show for these samples.
GraphStatistics SeriesStatistics(const ExportSeries& series);

}  // namespace kelvor

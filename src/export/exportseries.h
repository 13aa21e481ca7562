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

// One meter of a run of several, as the exports name it. Meters 2.. carry their samples
// here; the first meter's are the series' own.
struct ExportMeter {
    QString model;
    QString serial;
    QString name;                     // the user's name for it; may be empty
    std::vector<float> values;        // meters 2..: four per sample, as ExportSeries::values
    std::vector<std::uint8_t> flags;  // meters 2..: one per sample, as ExportSeries::flags
};

// The samples of one run or data set as the exports and the report see them: a flat
// copy, so the writers need neither the chart nor the store.
struct ExportSeries {
    QString name;               // "Set 1", "Run": the sheet name
    QString unit;               // "°C" or "°F"
    std::vector<double> times;  // days since 30 Dec 1899, local time
    std::vector<float> values;  // four per sample, T1..T4 (of the first meter of several)
    // The meter's flags per sample where the data keep them (a run, a library recording):
    // bit c "OL", bit c+4 "----" of channel c+1. Empty when not known (a download, a
    // graph file): every missing value is then "OL".
    std::vector<std::uint8_t> flags;
    QList<QPair<QString, QString>> source;  // label, text: where the samples came from
    // The times come from the meter's clock (a data set), which knows no daylight saving:
    // written with UTC offsets they all take the offset at the start, so they stay one
    // interval apart. Otherwise (the PC's clock) each takes the offset it was taken with.
    bool meterClock = false;
    // A run of several meters: every meter in the order of its channels (empty, or one,
    // for a run of one meter), and per sample which of them gave no reading (bit m: meter
    // m+1; empty: all did). Writers that know only four channels see the first meter.
    std::vector<ExportMeter> meters;
    std::vector<std::uint8_t> absent;

    int samples() const { return int(times.size()); }
    float value(int sample, int channel) const { return values[size_t(4 * sample + channel)]; }
    int meterCount() const { return meters.size() > 1 ? int(meters.size()) : 1; }
    // Every channel, four per meter: T1..T4 of the first meter, then of the second, ...
    int channels() const { return 4 * meterCount(); }
    float channelValue(int sample, int channel) const
    {
        return channel < 4 ? value(sample, channel)
                           : meters[size_t(channel / 4)].values[size_t(4 * sample + channel % 4)];
    }
    // "T1" of a run of one meter, "Oven A (KV-0042) T1" of a run of several.
    QString channelName(int channel) const;
    // What names meter m (from 0) of a run of several (MeterHeading).
    QString meterHeading(int meter) const;
    bool meterAbsent(int sample, int meter) const
    {
        return size_t(sample) < absent.size() && (absent[size_t(sample)] & (1u << meter));
    }
    // Why a channel of a sample has no value: "----" when the meter showed no reading
    // (no thermocouple) or gave none at all, else "OL".
    QString missingText(int sample, int channel) const;
};

// A value the meter could not measure (over range, no input, the gap value): written as
// an empty cell, never as a number.
inline bool IsMissingValue(float y) { return !(y <= 2500.0f && y >= -328.0f); }

// The Flags cell of a spreadsheet row: each channel without a value and why
// ("T2 OL T4 ----"; of several meters "Oven A (KV-0042) T2 OL", and a meter that gave
// no reading at all "COLD-1 absent"); empty when every channel has one.
QString MissingFlagsText(const ExportSeries& series, int sample);
// Some channel of some sample has no value (a spreadsheet then gets its Flags column).
bool HasMissingValues(const ExportSeries& series);

// Data set k (from 0) of a download or collection, with its details as the source.
ExportSeries SeriesFromDataSet(const DataSetStore& store, int k);
// The filled points of a chart (until the first X of 0.0), in the chart's unit. Given
// the meters of a run of several, their channels are the chart's subsets four by four.
ExportSeries SeriesFromChart(const ChartModel& chart, const QString& name, const std::vector<ExportMeter>& meters = {});

// The statistics the graph window would show for the four channels of meter `meter`.
GraphStatistics SeriesStatistics(const ExportSeries& series, int meter = 0);

}  // namespace kelvor

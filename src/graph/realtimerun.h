// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "graph/realtimestate.h"

namespace kelvor {

class ChartModel;

// The widget-free half of a real-time run: texts, the record count, the sample store in
// the chart and the running extremes. The windows in graph/ui drive these.

// The period shown when the setup dialog opens: plain numbers, "1:6:40".
QString RunPeriodText(std::int64_t count, std::int64_t rateSeconds);
// The period after a change of the rate lists: two-digit minutes and seconds, "2:46:40".
QString SetupPeriodText(std::int64_t count, std::int64_t rateSeconds);

// The record count typed in the setup dialog. A store needs room for at least one
// sample, so 0 is refused like text that is not a number.
std::optional<int> ParseRecordCount(const QString& text);
// The count the period is computed from: the number typed, 0 when there is none.
int PeriodRecordCount(const QString& text);

// Channel c of a sample as stored: the gap value when the meter shows "OL" or "----".
float SampleValue(std::uint8_t flags, int channel, float value);
// An extreme field: "OL", "----", or the value with one decimal, "@" and the date-time.
QString ExtremeText(std::uint8_t flags, int channel, float value, double when);

// Which extremes a sample moved (bit c: maximum of channel c, bit c+4: its minimum).
// Flagged channels take part with their raw value, as the meter reported it.
std::uint8_t UpdateExtremes(RealTimeState& state, const std::array<float, 4>& values);

// Adds a sample to the running sums behind the averages of an open-ended run.
void AddToRunAverages(RealTimeState& state, std::uint8_t flags, const std::array<float, 4>& values);

// Empties the store for a run of `count` samples and resets the run's counters.
void PrepareRunStore(ChartModel& chart, RealTimeState& state, int count);
// Writes sample n (all four subsets share its time).
void WriteRunSample(ChartModel& chart, int n, std::uint8_t flags, double when, const std::array<float, 4>& values);
// Writes the four channels of one meter of a chart of several (subsets firstSubset to
// firstSubset + 3) at point n; the meter's flags are not kept (see ChartModel::setPointFlags).
void WriteRunChannels(ChartModel& chart, int n, int firstSubset, std::uint8_t flags, double when,
                      const std::array<float, 4>& values);
// Where the next point of a run goes: the next free slot, or in an open-ended run with
// a full store the last one, after the oldest point has scrolled out; -1 when there
// is no room.
int NextRunSlot(ChartModel& chart, const RealTimeState& state);
// The break before a sample taken after missed ones (state.SampleMissed): a point
// without readings halfway between the last point and `when`, counted in SampleCount
// and GapPoints. A run with a record count gets a slot more for it, so the break
// takes no sample's place. Every subset of a chart of several meters breaks there.
// False when there was no room.
bool WriteRunBreak(ChartModel& chart, RealTimeState& state, double when);
// Cuts the store to the samples taken (a run stopped early).
void ShortenRunStore(ChartModel& chart, int sampleCount);

// Average of the first `count` values of a subset that lie strictly between -3000 and
// 3000, with three decimals; "****" when none does.
QString RunAverageText(const ChartModel& chart, int subset, int count);
// An average field: the mean with three decimals, "****" when nothing was averaged.
QString AverageText(double sum, std::int64_t taken);

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <vector>

namespace kelvor {

class ChartModel;

// The channels of a chart that shows several meters: meter m's channel c is subset
// 4 * m + c, named after the meter ("Oven A T1"), each in a colour of its own. The
// first meter keeps the four colours the chart gives its channels.

// "<meter> T<channel + 1>".
QString MeterChannelLabel(const QString& meter, int channel);
// The colour (0x00BBGGRR) of meter m's channel c: 32 colours far apart on the chart's
// usual backgrounds, the first meter's the chart's own four.
int MeterChannelColor(int meter, int channel);
// Makes the chart four subsets per meter, named and coloured as above; the first four
// keep their colours.
void ApplyMeterChannels(ChartModel& chart, const std::vector<QString>& meters);
// Split: a plot per channel, or with several meters a plot per meter; unsplit: one plot.
void SplitChart(ChartModel& chart, bool split);
// How many meters a chart shows: one unless it has more than four subsets.
int ChartMeters(const ChartModel& chart);
// Makes `to` the chart of meter m alone, as a graph file holds one: the look, the time
// axis and the annotations of `from`, its four channels as subsets 0 to 3 and, for the
// first meter, the alarm events (they are the first meter's).
void CopyMeterChart(const ChartModel& from, int meter, ChartModel& to);

}  // namespace kelvor

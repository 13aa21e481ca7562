// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/statistics.h"

#include <cmath>

#include "base/localetext.h"
#include "chart/chartmodel.h"

namespace kelvor {

namespace {
const QString kNoValue = QStringLiteral("****");

int listIndex(int value) { return value >= 0 && value <= 60 ? value : -1; }
}  // namespace

QString ExtremeText(float value, double time)
{
    if (value > kAverageLimit || value < -kAverageLimit)
        return QStringLiteral("OL");
    return FixedText(value, 1) + QLatin1Char('@') + DateTimeText(time);
}

GraphStatistics ComputeStatistics(const ChannelSamples& samples)
{
    GraphStatistics r;
    const int p = samples.points > 0 ? samples.points : 0;
    r.points = p;
    r.dataNoText = QString::number(p);
    if (p == 0) {
        for (int c = 0; c < 4; ++c)
            r.maxText[c] = r.minText[c] = r.avgText[c] = kNoValue;
        return r;
    }

    const double x0 = samples.x(0, 0);
    const double xLast = samples.x(0, p - 1);
    // The span is divided by the point count, not by the number of intervals between
    // them: the rate lists show the same estimate users have always seen.
    r.intervalSeconds = int(std::trunc((xLast - x0) / p * 86400.0 + 0.5));
    r.minutesIndex = listIndex(r.intervalSeconds / 60);
    r.secondsIndex = listIndex(r.intervalSeconds % 60);
    r.startTime = x0;
    r.startTimeText = DateTimeText(x0);

    for (int i = 0; i < p; ++i) {
        for (int c = 0; c < 4; ++c) {
            ChannelStatistics& s = r.channel[c];
            const double x = samples.x(c, i);
            const float y = samples.y(c, i);
            if (y < kMeasurementLimit && y > s.maximum) {
                s.maximum = y;
                s.maxTime = x;
            }
            if (y < kMeasurementLimit && y < s.minimum) {
                s.minimum = y;
                s.minTime = x;
            }
            if (y > -kAverageLimit && y < kAverageLimit) {
                s.sum += y;
                ++s.count;
            }
        }
    }
    for (int c = 0; c < 4; ++c) {
        ChannelStatistics& s = r.channel[c];
        if (s.count > 0)
            s.average = s.sum / float(s.count);
        r.maxText[c] = ExtremeText(s.maximum, s.maxTime);
        r.minText[c] = ExtremeText(s.minimum, s.minTime);
        r.avgText[c] = s.count > 0 ? FixedText(s.average, 1) : kNoValue;
    }
    return r;
}

ChannelSamples ChartSamples(const ChartModel& chart)
{
    ChannelSamples s;
    s.points = chart.Points();
    s.x = [&chart](int c, int i) { return chart.XDataII(c, i); };
    s.y = [&chart](int c, int i) { return chart.YData(c, i); };
    return s;
}

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

namespace kelvor {

class ChartModel;

// Per-channel working values: first-occurrence extremes below 9000 and the float32
// average of the values strictly inside (-3000, 3000).
struct ChannelStatistics {
    float maximum = -9999.0f;
    float minimum = 9999.0f;
    double maxTime = 0.0;
    double minTime = 0.0;
    float sum = 0.0f;
    int count = 0;
    float average = 0.0f;
};

// Everything the statistics fields of a graph window show.
struct GraphStatistics {
    int points = 0;
    double startTime = 0.0;
    int intervalSeconds = 0;
    int minutesIndex = -1;  // -1: the value is not in the 00..60 list
    int secondsIndex = -1;
    ChannelStatistics channel[4];

    QString startTimeText;
    QString dataNoText;
    QString maxText[4];
    QString minText[4];
    QString avgText[4];
};

// Read access to the four channels of a chart: x(c, i) date-time in days, y(c, i).
struct ChannelSamples {
    int points = 0;
    std::function<double(int, int)> x;
    std::function<float(int, int)> y;
};

inline constexpr float kMeasurementLimit = 9000.0f;  // a Y at or above it is no measurement
inline constexpr float kAverageLimit = 3000.0f;      // only |Y| < this enters an average

// The extreme's text: "OL" beyond +-3000, else value "@" date and time.
QString ExtremeText(float value, double time);

// Computes the statistics of a chart filled all at once. A chart without points gives
// "****" everywhere and no extremes.
GraphStatistics ComputeStatistics(const ChannelSamples& samples);

// The four channels of a chart (it must outlive the result).
ChannelSamples ChartSamples(const ChartModel& chart);

}  // namespace kelvor

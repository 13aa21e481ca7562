// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>

namespace kelvor {

// Whether a mark at x (days) belongs to a run whose samples lie from `first` to `last`.
// The chart keeps its annotation cells across runs (Clear parks them at X 0), so a
// marks list taken from the chart holds parked marks and those of earlier runs; what a
// run keeps and what its report lists are only its own. `slackDays` lets a mark just
// after the latest sample count (the user clicks where the line ends, up to one
// sampling interval ahead of it).
inline bool LiesWithinRun(double x, double first, double last, double slackDays)
{
    constexpr double kTolerance = 1e-3 / 86400.0;  // a millisecond: times read back from text
    return std::isfinite(x) && x > 0.0 && x >= first - kTolerance &&
           x <= std::max(first, last) + slackDays + kTolerance;
}

// The slack for a run of `samples` from first to last: its mean sampling interval, at
// least a second.
inline double RunSlackDays(double first, double last, long long samples)
{
    const double mean = samples > 1 ? (last - first) / double(samples - 1) : 0.0;
    return std::max(mean, 1.0 / 86400.0);
}

}  // namespace kelvor

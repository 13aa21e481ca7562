// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace kelvor {

// What the two cursors read on one channel. Times are date-times in days, durations in
// seconds. A value that cannot be given (no sample there, a gap next to the cursor, no
// measurement between the cursors) has its `has...` flag false.
struct CursorMeasurement {
    bool hasA = false;
    bool hasB = false;
    double valueA = 0.0;
    double valueB = 0.0;
    double deltaT = 0.0;        // valueB - valueA, when both exist
    double deltaSeconds = 0.0;  // B - A; negative when A lies after B
    bool hasRate = false;
    double ratePerMinute = 0.0;  // deltaT per minute of deltaSeconds

    // The samples between the cursors (whichever comes first), both ends included.
    int count = 0;  // measurements
    int gaps = 0;   // OL and ---- samples left out
    double minimum = 0.0;
    double minTime = 0.0;
    double maximum = 0.0;
    double maxTime = 0.0;
    double mean = 0.0;
    double stdDev = 0.0;  // sample standard deviation (n - 1); 0 for a single sample
    // Over the whole span from A to B: each measurement holds its value until the next
    // sample; a gap ends the hold, and there is no hold before the first sample or after
    // the last.
    double secondsAbove = 0.0;  // value > threshold
    double secondsBelow = 0.0;  // value < threshold
};

// Cursor read-outs on one channel in constant time (apart from a short extremes search):
// prefix sums of the values, their squares, the gaps and the held time above and below the
// threshold, plus block extremes. Built once and extended as samples are appended.
class CursorSeries {
public:
    // A Y strictly inside (-limit, limit) is a measurement; anything else is a gap.
    static constexpr double kMeasurementLimit = 3000.0;

    // Takes over samples [from, n) of x/y and forgets what it knew from `from` on. The
    // series ends at the first x that is 0 (never filled) or runs backwards.
    void update(const double* x, const float* y, int n, int from = 0);
    void clear() { update(nullptr, nullptr, 0, 0); }
    int size() const { return int(m_x.size()); }
    // Date-times of the first and last sample (0 when empty).
    double firstTime() const { return m_x.empty() ? 0.0 : m_x.front(); }
    double lastTime() const { return m_x.empty() ? 0.0 : m_x.back(); }

    // Held time above/below this threshold; rebuilds one prefix array (linear).
    void setThreshold(double threshold);
    double threshold() const { return m_threshold; }

    CursorMeasurement measure(double a, double b) const;

private:
    static bool isMeasurement(double y) { return y > -kMeasurementLimit && y < kMeasurementLimit; }
    void extendThreshold(int from);
    bool valueAt(double t, double& value) const;
    void extremes(int lo, int hi, CursorMeasurement& m) const;
    // Adds the held time of the pair (i, i + 1) that lies inside [from, to].
    void heldPart(int i, double from, double to, CursorMeasurement& m) const;

    static constexpr int kBlock = 128;
    std::vector<double> m_x;
    std::vector<float> m_y;
    double m_offset = 0.0;        // first measurement: keeps the square sums well-conditioned
    std::vector<double> m_sum;    // of (y - offset) over measurements, n + 1 entries
    std::vector<double> m_sumSq;  // of (y - offset)^2
    std::vector<int> m_count;     // measurements before index
    std::vector<double> m_above;  // held seconds above the threshold before index
    std::vector<double> m_below;
    std::vector<int> m_blockMin;  // index of the first minimum of each full block, -1 none
    std::vector<int> m_blockMax;
    double m_threshold = 0.0;
    bool m_hasOffset = false;
};

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace kelvor {

// Channels computed from the recorded ones for the graph window: never stored in the
// described files. Both keep their results as the source grows: appended samples cost
// O(1) each; a change to older samples recomputes from there.

// A value strictly inside (-3000, 3000) is a measurement; derived gaps are this value.
inline constexpr float kDerivedGap = 9999.0f;

// a - b per sample (the meter's T1-T2 difference mode); a gap where either is one.
void DifferenceOf(const float* a, const float* b, int n, int from, std::vector<float>& out);

// Rate of change in degrees per minute: at each sample the least-squares slope of the
// measurements within the last `windowSeconds` (that sample included), taken over a span
// of at least one sampling interval. The interval is read from the samples (the middle
// of the last few steps), because a run's first step can be much shorter than the rest
// and its noise divided by that step would read as a steep slope: so the window reaches
// back at least one and a half intervals, its measurements must span three quarters of
// one, and the second sample, with a single step to tell the interval by, has no rate.
// Fewer than two measurements, too short a span, or a gap at the sample itself give a gap.
class RateOfChange {
public:
    explicit RateOfChange(double windowSeconds = 30.0) : m_window(windowSeconds) {}
    void setWindow(double seconds);
    double window() const { return m_window; }
    // Takes samples [from, n) of x (days) and y; earlier results stay.
    void update(const double* x, const float* y, int n, int from);
    const std::vector<float>& values() const { return m_out; }

private:
    void restart();
    void add(double t, double v, int sign);

    double interval(int i) const;

    double m_window;
    std::vector<double> m_t;  // seconds since the first sample
    std::vector<float> m_y;
    std::vector<float> m_out;
    double m_origin = 0.0;
    int m_first = 0;  // oldest sample inside the window
    double m_n = 0, m_st = 0, m_sy = 0, m_stt = 0, m_sty = 0;
};

}  // namespace kelvor

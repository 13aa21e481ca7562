// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/derivedchannels.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvor {

namespace {
bool isMeasurement(float y) { return y > -3000.0f && y < 3000.0f; }
constexpr int kIntervalSteps = 9;  // steps that vote on the sampling interval
}  // namespace

void DifferenceOf(const float* a, const float* b, int n, int from, std::vector<float>& out)
{
    from = std::clamp(from, 0, std::min(n, int(out.size())));
    out.resize(size_t(std::max(n, 0)));
    for (int i = from; i < n; ++i)
        out[size_t(i)] = isMeasurement(a[i]) && isMeasurement(b[i]) ? a[i] - b[i] : kDerivedGap;
}

void RateOfChange::setWindow(double seconds)
{
    if (seconds == m_window || !(seconds > 0.0))
        return;
    m_window = seconds;
    restart();
    m_t.clear();
    m_y.clear();
    m_out.clear();
}

void RateOfChange::restart()
{
    m_first = 0;
    m_n = m_st = m_sy = m_stt = m_sty = 0.0;
}

void RateOfChange::add(double t, double v, int sign)
{
    m_n += sign;
    m_st += sign * t;
    m_sy += sign * v;
    m_stt += sign * t * t;
    m_sty += sign * t * v;
}

double RateOfChange::interval(int i) const
{
    // The middle of the last few steps up to sample i: a short first step or a pause is
    // outvoted. The first step alone cannot tell (0: not known yet).
    const int steps = std::min(i, kIntervalSteps);
    if (steps < 2)
        return 0.0;
    std::array<double, kIntervalSteps> d{};
    for (int k = 0; k < steps; ++k)
        d[size_t(k)] = m_t[size_t(i - k)] - m_t[size_t(i - k - 1)];
    std::nth_element(d.begin(), d.begin() + steps / 2, d.begin() + steps);
    return d[size_t(steps / 2)];
}

void RateOfChange::update(const double* x, const float* y, int n, int from)
{
    from = std::clamp(from, 0, int(m_out.size()));
    if (from < int(m_out.size()) || from == 0) {
        // Older samples changed: the running sums cannot take a value back out, start over.
        restart();
        m_t.clear();
        m_y.clear();
        m_out.clear();
        from = 0;
    }
    if (n > 0 && from == 0)
        m_origin = x[0];
    for (int i = from; i < n; ++i) {
        // Seconds from the first sample keep the sums well-conditioned.
        const double t = (x[i] - m_origin) * 86400.0;
        m_t.push_back(t);
        m_y.push_back(y[i]);
        if (isMeasurement(y[i]))
            add(t, y[i], +1);
        // Samples are taken on the poll after a clock second changed, so a step wanders by
        // a poll either way; half an interval more keeps the sample before in the window.
        const double step = interval(i);
        const double reach = std::max(m_window, 1.5 * step);
        while (m_first < i && m_t[size_t(m_first)] < t - reach - 1e-6) {
            if (isMeasurement(m_y[size_t(m_first)]))
                add(m_t[size_t(m_first)], m_y[size_t(m_first)], -1);
            ++m_first;
        }
        int oldest = m_first;
        while (oldest < i && !isMeasurement(m_y[size_t(oldest)]))
            ++oldest;
        const bool spans = step > 0.0 && t - m_t[size_t(oldest)] >= 0.75 * step - 1e-6;
        float rate = kDerivedGap;
        if (isMeasurement(y[i]) && m_n >= 2 && spans) {
            // Slope about the mean time: exact for a ramp, no cancellation of large sums.
            const double meanT = m_st / m_n;
            const double var = m_stt - m_st * meanT;
            if (var > 1e-9)
                rate = float((m_sty - meanT * m_sy) / var * 60.0);
        }
        m_out.push_back(rate);
    }
}

}  // namespace kelvor

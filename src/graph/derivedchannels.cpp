// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/derivedchannels.h"

#include <algorithm>
#include <cmath>

namespace kelvor {

namespace {
bool isMeasurement(float y) { return y > -3000.0f && y < 3000.0f; }
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
        while (m_first < i && m_t[size_t(m_first)] < t - m_window - 1e-6) {
            if (isMeasurement(m_y[size_t(m_first)]))
                add(m_t[size_t(m_first)], m_y[size_t(m_first)], -1);
            ++m_first;
        }
        float rate = kDerivedGap;
        if (isMeasurement(y[i]) && m_n >= 2) {
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

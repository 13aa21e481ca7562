// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/cursormeasure.h"

#include <algorithm>
#include <cmath>

namespace kelvor {

namespace {
constexpr double kSecondsPerDay = 86400.0;
}

void CursorSeries::update(const double* x, const float* y, int n, int from)
{
    from = std::clamp(from, 0, size());
    if (from == 0)
        m_hasOffset = false;
    m_x.resize(size_t(from));
    m_y.resize(size_t(from));
    m_sum.resize(size_t(from) + 1, 0.0);
    m_sumSq.resize(size_t(from) + 1, 0.0);
    m_count.resize(size_t(from) + 1, 0);
    m_blockMin.resize(size_t(from / kBlock));
    m_blockMax.resize(size_t(from / kBlock));

    for (int i = from; i < n; ++i) {
        // Unfilled points (x 0) and time running backwards end the series.
        if (x[i] <= 0.0 || (i > 0 && !m_x.empty() && x[i] < m_x.back()))
            break;
        m_x.push_back(x[i]);
        m_y.push_back(y[i]);
        double s = 0.0;
        double s2 = 0.0;
        int c = 0;
        if (isMeasurement(y[i])) {
            if (!m_hasOffset) {
                m_offset = y[i];
                m_hasOffset = true;
            }
            const double d = double(y[i]) - m_offset;
            s = d;
            s2 = d * d;
            c = 1;
        }
        m_sum.push_back(m_sum.back() + s);
        m_sumSq.push_back(m_sumSq.back() + s2);
        m_count.push_back(m_count.back() + c);
    }

    for (int b = int(m_blockMin.size()); (b + 1) * kBlock <= size(); ++b) {
        int lo = -1, hi = -1;
        for (int i = b * kBlock; i < (b + 1) * kBlock; ++i) {
            if (!isMeasurement(m_y[size_t(i)]))
                continue;
            if (lo < 0 || m_y[size_t(i)] < m_y[size_t(lo)])
                lo = i;
            if (hi < 0 || m_y[size_t(i)] > m_y[size_t(hi)])
                hi = i;
        }
        m_blockMin.push_back(lo);
        m_blockMax.push_back(hi);
    }
    extendThreshold(std::min(from, int(m_above.size())));
}

void CursorSeries::setThreshold(double threshold)
{
    m_threshold = threshold;
    extendThreshold(0);
}

void CursorSeries::extendThreshold(int from)
{
    const int n = size();
    from = std::clamp(from, 0, n);
    m_above.resize(size_t(std::max(from, 1)), 0.0);
    m_below.resize(size_t(std::max(from, 1)), 0.0);
    if (n == 0)
        return;
    // m_above[k]: held seconds of the pairs (i, i + 1) with i < k.
    for (int k = std::max(from, 1); k < n; ++k) {
        const int i = k - 1;
        double up = 0.0, down = 0.0;
        if (isMeasurement(m_y[size_t(i)]) && isMeasurement(m_y[size_t(k)])) {
            const double held = (m_x[size_t(k)] - m_x[size_t(i)]) * kSecondsPerDay;
            if (m_y[size_t(i)] > m_threshold)
                up = held;
            else if (m_y[size_t(i)] < m_threshold)
                down = held;
        }
        m_above.push_back(m_above.back() + up);
        m_below.push_back(m_below.back() + down);
    }
}

bool CursorSeries::valueAt(double t, double& value) const
{
    if (m_x.empty() || t < m_x.front() || t > m_x.back())
        return false;
    const auto j = size_t(std::lower_bound(m_x.begin(), m_x.end(), t) - m_x.begin());
    if (m_x[j] == t) {
        value = m_y[j];
        return isMeasurement(m_y[j]);
    }
    // Between two samples: the line drawn between them, unless one of them is a gap.
    const size_t i = j - 1;
    if (!isMeasurement(m_y[i]) || !isMeasurement(m_y[j]))
        return false;
    const double f = (t - m_x[i]) / (m_x[j] - m_x[i]);
    value = double(m_y[i]) + f * (double(m_y[j]) - double(m_y[i]));
    return true;
}

void CursorSeries::extremes(int lo, int hi, CursorMeasurement& m) const
{
    int iMin = -1, iMax = -1;
    auto take = [&](int iLow, int iHigh) {
        if (iLow >= 0 && (iMin < 0 || m_y[size_t(iLow)] < m_y[size_t(iMin)]))
            iMin = iLow;
        if (iHigh >= 0 && (iMax < 0 || m_y[size_t(iHigh)] > m_y[size_t(iMax)]))
            iMax = iHigh;
    };
    auto scan = [&](int from, int to) {  // [from, to)
        for (int i = from; i < to; ++i)
            if (isMeasurement(m_y[size_t(i)]))
                take(i, i);
    };
    const int firstBlock = (lo + kBlock - 1) / kBlock;
    const int endBlock = (hi + 1) / kBlock;  // blocks [firstBlock, endBlock) lie inside
    if (firstBlock >= endBlock) {
        scan(lo, hi + 1);
    } else {
        scan(lo, firstBlock * kBlock);
        for (int b = firstBlock; b < endBlock; ++b)
            take(m_blockMin[size_t(b)], m_blockMax[size_t(b)]);
        scan(endBlock * kBlock, hi + 1);
    }
    if (iMin >= 0) {
        m.minimum = m_y[size_t(iMin)];
        m.minTime = m_x[size_t(iMin)];
        m.maximum = m_y[size_t(iMax)];
        m.maxTime = m_x[size_t(iMax)];
    }
}

void CursorSeries::heldPart(int i, double from, double to, CursorMeasurement& m) const
{
    if (i < 0 || i + 1 >= size() || !isMeasurement(m_y[size_t(i)]) || !isMeasurement(m_y[size_t(i) + 1]))
        return;
    const double seconds = (std::min(to, m_x[size_t(i) + 1]) - std::max(from, m_x[size_t(i)])) * kSecondsPerDay;
    if (seconds <= 0.0)
        return;
    if (m_y[size_t(i)] > m_threshold)
        m.secondsAbove += seconds;
    else if (m_y[size_t(i)] < m_threshold)
        m.secondsBelow += seconds;
}

CursorMeasurement CursorSeries::measure(double a, double b) const
{
    CursorMeasurement m;
    m.hasA = valueAt(a, m.valueA);
    m.hasB = valueAt(b, m.valueB);
    m.deltaSeconds = (b - a) * kSecondsPerDay;
    if (m.hasA && m.hasB) {
        m.deltaT = m.valueB - m.valueA;
        if (m.deltaSeconds != 0.0) {
            m.hasRate = true;
            m.ratePerMinute = m.deltaT / (m.deltaSeconds / 60.0);
        }
    }

    const double from = std::min(a, b);
    const double to = std::max(a, b);
    const int lo = int(std::lower_bound(m_x.begin(), m_x.end(), from) - m_x.begin());
    const int hi = int(std::upper_bound(m_x.begin(), m_x.end(), to) - m_x.begin()) - 1;
    // The held time covers the whole span between the cursors, like Δt: the pieces from A
    // to the first sample and from the last sample to B are held by the samples before
    // them (hi is lo - 1 when no sample lies between the cursors).
    heldPart(lo - 1, from, to, m);
    if (lo > hi)
        return m;
    heldPart(hi, from, to, m);
    m.count = m_count[size_t(hi) + 1] - m_count[size_t(lo)];
    m.gaps = (hi - lo + 1) - m.count;
    m.secondsAbove += m_above[size_t(hi)] - m_above[size_t(lo)];
    m.secondsBelow += m_below[size_t(hi)] - m_below[size_t(lo)];
    if (m.count == 0)
        return m;
    const double n = m.count;
    const double s = m_sum[size_t(hi) + 1] - m_sum[size_t(lo)];
    const double s2 = m_sumSq[size_t(hi) + 1] - m_sumSq[size_t(lo)];
    m.mean = m_offset + s / n;
    if (m.count > 1)
        m.stdDev = std::sqrt(std::max(0.0, (s2 - s * s / n) / (n - 1.0)));
    extremes(lo, hi, m);
    return m;
}

}  // namespace kelvor

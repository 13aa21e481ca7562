// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <array>

namespace kelvor {

// A run of consecutive points summed up as the few of them that must be drawn so the run
// looks the same at under a pixel per run: its first and last values, its extremes and
// where a gap starts. Fed in index order, one point at a time.
class EnvelopeBucket {
public:
    void add(int index, bool gap, double value)
    {
        if (gap) {
            if (m_firstGap < 0)
                m_firstGap = index;
            // The gap after the last value keeps the line from running on to the next run.
            if (m_last >= 0 && m_gapAfterLast < 0)
                m_gapAfterLast = index;
            return;
        }
        if (m_first < 0)
            m_first = index;
        m_last = index;
        m_gapAfterLast = -1;
        if (m_min < 0 || value < m_minValue)
            m_min = index, m_minValue = value;
        if (m_max < 0 || value > m_maxValue)
            m_max = index, m_maxValue = value;
    }

    static constexpr int kMaxKept = 6;
    using Kept = std::array<int, kMaxKept>;

    // The indices to draw, ascending and each once; returns how many.
    int keep(Kept& out) const
    {
        // Six candidates at most: an insertion that skips repeats, written out so the
        // compiler can see every write stays inside `out`.
        int n = 0;
        for (int i : {m_first, m_min, m_max, m_last, m_firstGap, m_gapAfterLast}) {
            if (i < 0)
                continue;
            int at = 0;
            while (at < n && out[size_t(at)] < i)
                ++at;
            if (at < n && out[size_t(at)] == i)
                continue;
            for (int k = std::min(n, kMaxKept - 1); k > at; --k)
                out[size_t(k)] = out[size_t(k - 1)];
            out[size_t(at)] = i;
            n = std::min(n + 1, kMaxKept);
        }
        return n;
    }

private:
    int m_first = -1;
    int m_last = -1;
    int m_min = -1;
    int m_max = -1;
    int m_firstGap = -1;
    int m_gapAfterLast = -1;
    double m_minValue = 0.0;
    double m_maxValue = 0.0;
};

}  // namespace kelvor

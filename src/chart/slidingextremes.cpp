// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/slidingextremes.h"

#include <algorithm>

namespace kelvor {

void SlidingExtremes::reset(int from)
{
    m_min.clear();
    m_max.clear();
    m_from = from;
    m_to = from;
    m_valid = true;
}

void SlidingExtremes::push(const float* ys, int i)
{
    const float v = ys[i];
    while (!m_min.empty() && ys[m_min.back()] >= v)
        m_min.pop_back();
    m_min.push_back(i);
    while (!m_max.empty() && ys[m_max.back()] <= v)
        m_max.pop_back();
    m_max.push_back(i);
}

void SlidingExtremes::moveTo(const float* ys, int from, int to, float gap)
{
    to = std::max(to, from);
    // The arrays may have moved (a store that grew): indexes stay, the pointer not.
    if (!m_valid || ys != m_ys || from < m_from || to < m_to || from > m_to)
        reset(from);
    m_ys = ys;
    for (int i = m_to; i < to; ++i)
        if (ys[i] != gap)
            push(ys, i);
    m_to = to;
    m_from = from;
    while (!m_min.empty() && m_min.front() < from)
        m_min.pop_front();
    while (!m_max.empty() && m_max.front() < from)
        m_max.pop_front();
}

void SlidingExtremes::invalidateFrom(int point)
{
    if (point < m_to)
        m_valid = false;
}

float SlidingExtremes::minimum() const { return m_min.empty() ? 0.0f : m_ys[m_min.front()]; }
float SlidingExtremes::maximum() const { return m_max.empty() ? 0.0f : m_ys[m_max.front()]; }

}  // namespace kelvor

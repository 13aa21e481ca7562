// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>

namespace kelvor {

// The smallest and largest value of a window [from, to) of one subset's Y values, gaps
// left out. The window usually only moves forward as a run records (its end grows, its
// start follows a scrolling view); then each value enters and leaves once, so keeping
// the extremes costs O(1) per sample amortised. Any other move, or a value rewritten
// inside the window, reads the window anew.
class SlidingExtremes {
public:
    // Moves the window to [from, to) of ys; values equal to `gap` are no measurement.
    void moveTo(const float* ys, int from, int to, float gap);
    // Forgets the window: the values before `point` may have changed.
    void invalidateFrom(int point);
    bool empty() const { return m_min.empty(); }
    float minimum() const;
    float maximum() const;
    int from() const { return m_from; }
    int to() const { return m_to; }

private:
    void push(const float* ys, int i);
    void reset(int from);

    int m_from = 0;
    int m_to = 0;
    bool m_valid = false;
    std::deque<int> m_min;  // indexes with rising values: the front is the minimum
    std::deque<int> m_max;  // indexes with falling values: the front is the maximum
    const float* m_ys = nullptr;
};

}  // namespace kelvor

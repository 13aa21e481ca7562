// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <algorithm>
#include <random>

#include "chart/slidingextremes.h"

using namespace kelvor;

// Windows that grow, slide, jump back and hold only gaps, against a plain scan; values
// rewritten inside the window are seen after invalidateFrom.
TEST(SlidingExtremes, MatchesAPlainScanOverMovingWindows)
{
    constexpr float kGap = 9999.0f;
    std::mt19937 rng(19);
    std::vector<float> ys(5000);
    for (float& y : ys)
        y = rng() % 10 == 0 ? kGap : float(int(rng() % 2000) - 1000) / 10.0f;
    std::fill(ys.begin() + 3000, ys.begin() + 3100, kGap);

    SlidingExtremes e;
    int from = 0, to = 0;
    for (int step = 0; step < 3000; ++step) {
        const int kind = int(rng() % 20);
        if (kind == 0) {  // a zoom somewhere else
            from = int(rng() % 5000);
            to = from + int(rng() % (5000 - from + 1));
        } else if (kind == 1) {  // the newest value rewritten
            if (to > from) {
                ys[size_t(to - 1)] = float(int(rng() % 2000) - 1000) / 10.0f;
                e.invalidateFrom(to - 1);
            }
        } else {  // a run records on; the view may scroll with it
            to = std::min(5000, to + int(rng() % 4));
            if (kind < 10)
                from = std::min(to, from + int(rng() % 4));
        }
        if (step == 1500)
            from = 3010, to = 3090;  // nothing but gaps
        e.moveTo(ys.data(), from, to, kGap);
        float lo = 1e9f, hi = -1e9f;
        for (int i = from; i < to; ++i)
            if (ys[size_t(i)] != kGap)
                lo = std::min(lo, ys[size_t(i)]), hi = std::max(hi, ys[size_t(i)]);
        ASSERT_EQ(e.empty(), lo > hi) << "step " << step;
        if (!e.empty()) {
            ASSERT_EQ(e.minimum(), lo) << "step " << step << " window " << from << ".." << to;
            ASSERT_EQ(e.maximum(), hi) << "step " << step;
        }
    }
}

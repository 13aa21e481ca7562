// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <cmath>

#include "graph/derivedchannels.h"

using namespace kelvor;

namespace {
constexpr double kDay = 1.0 / 86400.0;
constexpr float kGap = 9999.0f;
}  // namespace

// A ramp of 0.5 degrees a second reads 30 °/min wherever two measurements lie in the
// window; a gap sample has no rate, and the rate picks up after it. Fed in pieces it
// gives the same as in one go.
TEST(RateOfChange, ReadsTheSlopeOfARamp)
{
    std::vector<double> x;
    std::vector<float> y;
    for (int i = 0; i < 120; ++i) {
        x.push_back(46000.5 + i * 2 * kDay);  // a sample every 2 s
        y.push_back(i == 50 ? kGap : float(20.0 + 0.5 * 2 * i));
    }
    RateOfChange whole(30.0);
    whole.update(x.data(), y.data(), 120, 0);
    RateOfChange pieces(30.0);
    for (int n = 0; n < 120; n += 7)
        pieces.update(x.data(), y.data(), std::min(120, n + 7), n);
    ASSERT_EQ(whole.values().size(), 120u);
    EXPECT_EQ(whole.values()[0], kDerivedGap);  // one sample: no slope yet
    EXPECT_EQ(whole.values()[50], kDerivedGap);
    for (int i : {1, 2, 15, 49, 51, 52, 119})
        EXPECT_NEAR(whole.values()[size_t(i)], 30.0, 1e-3) << "sample " << i;
    EXPECT_EQ(pieces.values(), whole.values());

    // A rewritten older sample (a step) is seen: within 30 s after it the slope rises.
    y[100] += 10.0f;
    whole.update(x.data(), y.data(), 120, 100);
    EXPECT_GT(whole.values()[100], 30.5);
    EXPECT_NEAR(whole.values()[119], 30.0, 1e-3);  // the step left the window
}

// Over a noisy flat line the least-squares slope over the window is near 0 where the
// sample-to-sample differences swing by 60 °/min.
TEST(RateOfChange, SmoothsOverTheWindow)
{
    std::vector<double> x;
    std::vector<float> y;
    for (int i = 0; i < 200; ++i) {
        x.push_back(46000.5 + i * kDay);
        y.push_back(i % 2 ? 21.0f : 20.0f);
    }
    RateOfChange r(30.0);
    r.update(x.data(), y.data(), 200, 0);
    for (int i = 60; i < 200; ++i)
        EXPECT_LT(std::fabs(r.values()[size_t(i)]), 4.0) << i;
}

TEST(DifferenceOf, GapWhereEitherIsOne)
{
    const float a[] = {30.0f, 25.5f, kGap, 10.0f, 5000.0f};
    const float b[] = {20.0f, 30.0f, 1.0f, kGap, 1.0f};
    std::vector<float> out;
    DifferenceOf(a, b, 5, 0, out);
    EXPECT_EQ(out, (std::vector<float>{10.0f, -4.5f, kDerivedGap, kDerivedGap, kDerivedGap}));
}

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
    EXPECT_EQ(whole.values()[1], kDerivedGap);  // one step cannot tell the sampling interval
    EXPECT_EQ(whole.values()[50], kDerivedGap);
    for (int i : {2, 3, 15, 49, 51, 52, 119})
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

// A run's first step can be a fraction of the interval (the first sample is taken at Run,
// the next when the clock's second has changed). Over a flat line with ±0.1 of noise the
// rate stays within what one full interval allows (0.2 per interval), at every smoothing
// window, also one shorter than the interval, which still gets a rate over one interval.
TEST(RateOfChange, ShortFirstStepGivesNoSpike)
{
    struct Case {
        double interval, firstStep, window;
    } cases[] = {{1, 0.2, 30}, {1, 0.2, 2}, {2, 0.1, 2}, {5, 0.4, 2}, {60, 1, 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.interval << " s, first step " << c.firstStep << " s, window " << c.window
                                        << " s");
        std::vector<double> x{46000.5};
        std::vector<float> y;
        for (int i = 1; i < 80; ++i)
            x.push_back(46000.5 + (c.firstStep + (i - 1) * c.interval) * kDay);
        for (int i = 0; i < 80; ++i)
            y.push_back(i % 2 ? 20.1f : 19.9f);
        RateOfChange r(c.window);
        r.update(x.data(), y.data(), 80, 0);
        const float bound = float(0.2 / c.interval * 60.0) * 1.001f;
        EXPECT_EQ(r.values()[1], kDerivedGap);
        for (int i = 2; i < 80; ++i) {
            ASSERT_NE(r.values()[size_t(i)], kDerivedGap) << "sample " << i;
            EXPECT_LE(std::fabs(r.values()[size_t(i)]), bound) << "sample " << i;
        }
    }
}

TEST(DifferenceOf, GapWhereEitherIsOne)
{
    const float a[] = {30.0f, 25.5f, kGap, 10.0f, 5000.0f};
    const float b[] = {20.0f, 30.0f, 1.0f, kGap, 1.0f};
    std::vector<float> out;
    DifferenceOf(a, b, 5, 0, out);
    EXPECT_EQ(out, (std::vector<float>{10.0f, -4.5f, kDerivedGap, kDerivedGap, kDerivedGap}));
}

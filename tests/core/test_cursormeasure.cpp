// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/cursormeasure.h"

#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <vector>

using namespace kelvor;

namespace {

constexpr double kDay0 = 46000.0;
double at(double seconds) { return kDay0 + seconds / 86400.0; }

// 0..60 s every 10 s; a ---- at 20 s and an OL at 50 s.
struct SmallRun {
    std::vector<double> x{at(0), at(10), at(20), at(30), at(40), at(50), at(60)};
    std::vector<float> y{10, 20, 9999, 40, 50, -3500, 30};
    CursorSeries series;
    SmallRun()
    {
        series.update(x.data(), y.data(), int(x.size()));
        series.setThreshold(25);
    }
};

struct Expected {
    const char* name;
    double a, b;  // seconds
    bool hasA, hasB;
    double valueA, valueB, deltaSeconds;
    bool hasRate;
    double rate;
    int count, gaps;
    double minimum, minAt, maximum, maxAt, mean, stdDev, above, below;
};

}  // namespace

TEST(CursorMeasure, HandComputedTable)
{
    SmallRun run;
    const double nan = std::nan("");
    const Expected cases[] = {
        // Whole run: held time above 25 is 30..40 s, below is 0..10 s; gaps break holds.
        {"whole run", 0, 60, true, true, 10, 30, 60, true, 20, 5, 2, 10, 0, 50, 40, 30, std::sqrt(250.0), 10, 10},
        {"A after B", 60, 0, true, true, 30, 10, -60, true, 20, 5, 2, 10, 0, 50, 40, 30, std::sqrt(250.0), 10, 10},
        // One sample between; B sits next to the gap so it has no value. A..10 s is held
        // by the 10 below 25; 10 s..B ends in the gap.
        {"single sample", 5, 15, true, false, 15, nan, 10, false, 0, 1, 0, 20, 10, 20, 10, 20, 0, 0, 5},
        // Nothing is held before the first sample; 30 s..B is held by the 40.
        {"A before data",           -30, 35, false, true, nan, 45, 65, false, 0, 3, 1, 10, 0, 40, 30, 70.0 / 3,
         std::sqrt(4200.0 / 9 / 2), 5,   10},
        // No sample between the cursors: their whole 4 s is held by the 40 at 30 s.
        {"between two samples", 33, 37, true, true, 43, 47, 4, true, 60, 0, 0, nan, nan, nan, nan, nan, nan, 4, 0},
        // Both ends between samples: A..10 s below (5 s), 30..40 s above, 40 s..B ends at the OL.
        {"both ends between samples", 5,  45, true, false, 15, nan, 40, false, 0, 3, 1, 20, 10, 50, 40, 110.0 / 3,
         std::sqrt(700.0 / 3),        10, 5},
        {"both ends reversed", 45, 5, false, true, nan, 15, -40, false, 0, 3, 1, 20, 10, 50, 40, 110.0 / 3,
         std::sqrt(700.0 / 3), 10, 5},
        {"after the data", 100, 200, false, false, nan, nan, 100, false, 0, 0, 0, nan, nan, nan, nan, nan, nan, 0, 0},
        {"on a gap", 20, 20, false, false, nan, nan, 0, false, 0, 0, 1, nan, nan, nan, nan, nan, nan, 0, 0},
        {"rising ramp", 30, 40, true, true, 40, 50, 10, true, 60, 2, 0, 40, 30, 50, 40, 45, std::sqrt(50.0), 10, 0},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.name);
        const CursorMeasurement m = run.series.measure(at(e.a), at(e.b));
        EXPECT_EQ(m.hasA, e.hasA);
        EXPECT_EQ(m.hasB, e.hasB);
        if (e.hasA) {
            EXPECT_NEAR(m.valueA, e.valueA, 1e-6);
        }
        if (e.hasB) {
            EXPECT_NEAR(m.valueB, e.valueB, 1e-6);
        }
        EXPECT_NEAR(m.deltaSeconds, e.deltaSeconds, 1e-4);
        EXPECT_EQ(m.hasRate, e.hasRate);
        if (e.hasRate) {
            EXPECT_NEAR(m.deltaT, e.valueB - e.valueA, 1e-6);
            EXPECT_NEAR(m.ratePerMinute, e.rate, 1e-4);
        }
        EXPECT_EQ(m.count, e.count);
        EXPECT_EQ(m.gaps, e.gaps);
        if (e.count > 0) {
            EXPECT_DOUBLE_EQ(m.minimum, e.minimum);
            EXPECT_NEAR(m.minTime, at(e.minAt), 1e-9);
            EXPECT_DOUBLE_EQ(m.maximum, e.maximum);
            EXPECT_NEAR(m.maxTime, at(e.maxAt), 1e-9);
            EXPECT_NEAR(m.mean, e.mean, 1e-9);
            EXPECT_NEAR(m.stdDev, e.stdDev, 1e-9);
        }
        EXPECT_NEAR(m.secondsAbove, e.above, 1e-4);
        EXPECT_NEAR(m.secondsBelow, e.below, 1e-4);
    }
}

TEST(CursorMeasure, UnfilledTailAndEmptySeriesGiveNothing)
{
    std::vector<double> x{at(0), at(1), 0.0, 0.0};
    std::vector<float> y{5, 6, 9999, 9999};
    CursorSeries s;
    s.update(x.data(), y.data(), 4);
    EXPECT_EQ(s.size(), 2);
    EXPECT_EQ(s.measure(at(0), at(1000)).count, 2);

    CursorSeries empty;
    empty.clear();
    const CursorMeasurement m = empty.measure(at(0), at(10));
    EXPECT_FALSE(m.hasA);
    EXPECT_EQ(m.count + m.gaps, 0);
}

// Prefix sums and block extremes must agree with a plain scan, also when the samples
// arrive in pieces (a recording run) and the threshold changes afterwards.
TEST(CursorMeasure, AppendedSeriesAgreesWithPlainScan)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> value(-50, 250);
    const int n = 5000;
    std::vector<double> x(n);
    std::vector<float> y(n);
    for (int i = 0; i < n; ++i) {
        x[size_t(i)] = kDay0 + i / 1024.0;  // exact in binary: 84.375 s apart
        y[size_t(i)] = (rng() % 23 == 0) ? 9999.0f : (rng() % 29 == 0 ? 3100.0f : value(rng));
    }
    CursorSeries series;
    for (int filled = 0; filled < n;) {
        const int next = std::min(n, filled + int(rng() % 700) + 1);
        series.update(x.data(), y.data(), next, filled);
        filled = next;
    }
    series.setThreshold(100);

    for (int trial = 0; trial < 200; ++trial) {
        const int lo = int(rng() % n);
        const int hi = lo + int(rng() % (n - lo));
        const CursorMeasurement m = series.measure(x[size_t(hi)], x[size_t(lo)]);
        int count = 0, gaps = 0, iMin = -1, iMax = -1;
        double sum = 0, above = 0, below = 0;
        for (int i = lo; i <= hi; ++i) {
            const float v = y[size_t(i)];
            if (!(v > -3000 && v < 3000)) {
                ++gaps;
                continue;
            }
            ++count;
            sum += v;
            if (iMin < 0 || v < y[size_t(iMin)])
                iMin = i;
            if (iMax < 0 || v > y[size_t(iMax)])
                iMax = i;
            const float w = i < hi ? y[size_t(i) + 1] : 9999.0f;
            if (w > -3000 && w < 3000)
                (v > 100 ? above : below) += 84.375;
        }
        ASSERT_EQ(m.count, count);
        ASSERT_EQ(m.gaps, gaps);
        if (count == 0)
            continue;
        double sq = 0;
        for (int i = lo; i <= hi; ++i)
            if (y[size_t(i)] > -3000 && y[size_t(i)] < 3000)
                sq += (y[size_t(i)] - sum / count) * (y[size_t(i)] - sum / count);
        ASSERT_NEAR(m.mean, sum / count, 1e-6);
        ASSERT_NEAR(m.stdDev, count > 1 ? std::sqrt(sq / (count - 1)) : 0.0, 1e-6);
        ASSERT_EQ(m.minTime, x[size_t(iMin)]);
        ASSERT_EQ(m.maxTime, x[size_t(iMax)]);
        ASSERT_NEAR(m.secondsAbove, above, 1e-3);
        ASSERT_NEAR(m.secondsBelow, below, 1e-3);
    }
}

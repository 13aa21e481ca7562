// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <random>

#include "chart/chartmirror.h"
#include "chart/chartmodel.h"

using namespace kelvor;

namespace {

constexpr double kT0 = 46000.5;
constexpr float kGap = 9999.0f;

// What a plot would hold: the mirror's hand-overs applied in order.
class RecordingSink final : public PlotSeriesSink {
public:
    void replacePoints(const std::vector<PlotPoint>& p, bool) override { points = p; }
    void appendPoints(const std::vector<PlotPoint>& p, bool) override
    {
        points.insert(points.end(), p.begin(), p.end());
    }
    void dropLastPoints(int n) override { points.resize(points.size() - size_t(std::min<int>(n, int(points.size())))); }
    std::vector<PlotPoint> points;
};

// One subset of `n` samples a second apart; about one in ten a gap, a stretch of gaps
// in the middle. The capacity leaves room for appending.
void fill(ChartModel& c, int capacity, int n, unsigned seed)
{
    std::mt19937 rng(seed);
    c.setSubsets(1);
    c.setPoints(capacity);
    for (int i = 0; i < n; ++i) {
        c.setXDataII(0, i, kT0 + i / 86400.0);
        const bool gap = rng() % 10 == 0 || (i >= n / 2 && i < n / 2 + 40);
        c.setYData(0, i, gap ? kGap : float(int(rng() % 4000) - 2000) / 10.0f);
    }
}

bool same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

}  // namespace

// Drawn from its envelope, every run of `bucket` samples still shows its first and last
// value, its lowest and highest, and breaks the line where a gap starts.
TEST(ChartMirror, EnvelopeKeepsEveryRunsExtremesAndGaps)
{
    ChartModel c;
    const int n = 20000;
    fill(c, n, n, 7);
    ChartMirror mirror(c);
    RecordingSink sink;
    mirror.attach({&sink});
    mirror.takeOver(c.takeChanges(), false, 500);
    const int bucket = mirror.bucket(0);
    ASSERT_EQ(bucket, ChartMirror::BucketFor(n, 500));
    ASSERT_GT(bucket, 1);
    ASSERT_LT(int(sink.points.size()), n / 2);
    ASSERT_TRUE(std::is_sorted(sink.points.begin(), sink.points.end(),
                               [](const PlotPoint& a, const PlotPoint& b) { return a.key < b.key; }));

    const std::vector<float>& ys = c.yData(0);
    for (int start = 0; start < n; start += bucket) {
        const int stop = std::min(n, start + bucket);
        const double from = PlotKeyOf(c.xData(0)[size_t(start)]), to = PlotKeyOf(c.xData(0)[size_t(stop - 1)]);
        std::vector<PlotPoint> run;
        for (const PlotPoint& p : sink.points)
            if (p.key >= from && p.key <= to)
                run.push_back(p);
        float lo = 1e9f, hi = -1e9f;
        bool anyGap = false;
        for (int i = start; i < stop; ++i) {
            if (ys[size_t(i)] == kGap)
                anyGap = true;
            else
                lo = std::min(lo, ys[size_t(i)]), hi = std::max(hi, ys[size_t(i)]);
        }
        auto has = [&](double v) {
            return std::any_of(run.begin(), run.end(), [&](const PlotPoint& p) { return same(p.value, v); });
        };
        if (lo <= hi) {
            EXPECT_TRUE(has(lo)) << "run at " << start << " lost its minimum";
            EXPECT_TRUE(has(hi)) << "run at " << start << " lost its maximum";
        }
        EXPECT_EQ(has(std::nan("")), anyGap) << "run at " << start;
        EXPECT_LE(int(run.size()), EnvelopeBucket::kMaxKept);
    }
}

// Samples taken over one at a time end up drawn exactly as a refresh of the whole
// chart draws them, with every point or with the envelope, and the newest sample may be
// rewritten before the next arrives.
TEST(ChartMirror, AppendingKeepsWhatWasMirrored)
{
    for (const int pixels : {100000, 300}) {
        SCOPED_TRACE(pixels);
        ChartModel c;
        const int start = 5000, total = 9000;
        fill(c, total, total, 11);
        std::vector<float> later(c.yData(0).begin() + start, c.yData(0).end());
        for (int i = start; i < total; ++i)
            c.setXDataII(0, i, 0.0);  // not yet recorded
        ChartMirror mirror(c);
        RecordingSink sink;
        mirror.attach({&sink});
        mirror.takeOver(c.takeChanges(), false, pixels);
        ASSERT_EQ(mirror.mirrored(0), start);
        const int bucket = mirror.bucket(0);
        for (int i = start; i < total; ++i) {
            c.setXDataII(0, i, kT0 + i / 86400.0);
            c.setYData(0, i, i % 3 == 0 ? 123.0f : later[size_t(i - start)]);
            mirror.takeOver(c.takeChanges(), true, pixels);
            if (i % 3 == 0) {  // the meter's reading corrected: the newest point again
                c.setYData(0, i, later[size_t(i - start)]);
                mirror.takeOver(c.takeChanges(), true, pixels);
            }
        }
        ASSERT_EQ(mirror.mirrored(0), total);
        ASSERT_EQ(mirror.bucket(0), bucket);

        ChartMirror fresh(c);
        RecordingSink whole;
        fresh.attach({&whole});
        c.markAllChanged();
        fresh.takeOver(c.takeChanges(), true, pixels);  // keeps the bucket it starts with
        if (bucket > 1)
            fresh.fitDetail(0, kT0, kT0 + total / 86400.0, pixels);
        ASSERT_EQ(fresh.bucket(0), bucket);
        ASSERT_EQ(sink.points.size(), whole.points.size());
        for (size_t k = 0; k < whole.points.size(); ++k) {
            ASSERT_EQ(sink.points[k].key, whole.points[k].key) << k;
            ASSERT_TRUE(same(sink.points[k].value, whole.points[k].value)) << k;
        }
    }
}

// A time going back (a hand-made table) cannot be searched: every point is drawn and
// Auto scale reads the whole subset.
TEST(ChartMirror, TimesGoingBackAreDrawnPointByPoint)
{
    ChartModel c;
    fill(c, 20000, 20000, 3);
    c.setXDataII(0, 10000, kT0);
    c.setYData(0, 10000, -500.0f);
    ChartMirror mirror(c);
    RecordingSink sink;
    mirror.attach({&sink});
    mirror.takeOver(c.takeChanges(), false, 300);
    EXPECT_EQ(mirror.bucket(0), 1);
    EXPECT_FALSE(mirror.ordered(0));
    EXPECT_EQ(sink.points.size(), 20000u);
    double lo = 0, hi = 0;
    ASSERT_TRUE(mirror.extremesIn(0, kT0 + 100.0 / 86400.0, kT0 + 200.0 / 86400.0, lo, hi));
    EXPECT_EQ(lo, -500.0);
}

// Zooming in far enough draws every point again; zooming out goes back to the envelope.
TEST(ChartMirror, DetailFollowsTheRangeInView)
{
    ChartModel c;
    fill(c, 50000, 50000, 5);
    ChartMirror mirror(c);
    RecordingSink sink;
    mirror.attach({&sink});
    mirror.takeOver(c.takeChanges(), false, 400);
    ASSERT_GT(mirror.bucket(0), 1);
    EXPECT_TRUE(mirror.fitDetail(0, kT0 + 1000.0 / 86400.0, kT0 + 1500.0 / 86400.0, 400));
    EXPECT_EQ(mirror.bucket(0), 1);
    EXPECT_EQ(sink.points.size(), 50000u);
    EXPECT_FALSE(mirror.fitDetail(0, kT0 + 1000.0 / 86400.0, kT0 + 1400.0 / 86400.0, 400));
    EXPECT_TRUE(mirror.fitDetail(0, kT0, kT0 + 50000.0 / 86400.0, 400));
    EXPECT_EQ(mirror.bucket(0), ChartMirror::BucketFor(50000, 400));
}

// Only the filled part is mirrored: the first time of 0.0 is a sample not yet taken.
// A model that shrank is never read past its end.
TEST(ChartMirror, MirrorsTheFilledPartOnly)
{
    ChartModel c;
    fill(c, 100, 60, 1);
    ChartMirror mirror(c);
    RecordingSink sink;
    mirror.attach({&sink, nullptr});
    mirror.takeOver(c.takeChanges(), false, 1000);
    EXPECT_EQ(mirror.mirrored(0), 60);
    EXPECT_EQ(sink.points.size(), 60u);
    EXPECT_FALSE(mirror.drawn(1));
    EXPECT_EQ(mirror.mirrored(1), 0);
    c.setPoints(10);
    EXPECT_EQ(mirror.mirrored(0), 10);
}

TEST(ChartMirror, BucketSizes)
{
    struct Case {
        int inView, pixels, bucket;
    } cases[] = {
        {0, 1000, 1},       {4000, 1000, 1},    {4001, 1000, 2}, {8000, 1000, 4},
        {100000, 1000, 64}, {100000, 0, 65536}, {1000, 1, 512},  {3000000, 1366, 2048},
    };
    for (const Case& k : cases) {
        const int b = ChartMirror::BucketFor(k.inView, k.pixels);
        EXPECT_EQ(b, k.bucket) << k.inView << " points on " << k.pixels << " pixels";
        if (b > 1) {  // few enough runs per pixel
            EXPECT_LE(k.inView / b, ChartMirror::kRunsPerPixel * std::max(1, k.pixels));
        }
    }
}

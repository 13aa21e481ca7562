// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <cmath>

#include "chart/chartmodel.h"
#include "files/tabledatetime.h"
#include "graph/referencecurve.h"

using namespace kelvor;

namespace {
constexpr double kSec = 1.0 / 86400.0;

TableRow row(const char* time, const char* t1, const char* t2, const char* t3 = "", const char* t4 = "")
{
    return {QStringLiteral("2026-03-01"),
            QLatin1String(time),
            QLatin1String(t1),
            QLatin1String(t2),
            QLatin1String(t3),
            QLatin1String(t4)};
}

double day0() { return *ParseTableDateTime(QStringLiteral("2026-03-01"), QStringLiteral("00:00:00"), QLocale::c()); }

// A reference of five samples 10 s apart: T1 heats with an over-range reading in the
// middle, T2 cools with a missing one.
CurveSet reference()
{
    return CurvesFromTable({row("00:00:00", "20", "100"), row("00:00:10", "30", "90"), row("00:00:20", "OL", "80"),
                            row("00:00:30", "50", "----"), row("00:00:40", "60", "60")},
                           QLocale::c());
}
}  // namespace

// The value under the run and the difference to it: at a sample, between two, next to
// either kind of gap, before and after a reference shorter than the run, one channel laid
// under all, and a shift of the whole reference.
TEST(ReferenceCurve, ValueAndDifferenceAtATime)
{
    ASSERT_EQ(QLocale::c().decimalPoint(), QLatin1String("."));
    const CurveSet set = reference();
    ASSERT_EQ(set.channels[0].x.size(), 5u);
    struct Case {
        const char* what;
        int source;    // -1: per channel
        double shift;  // seconds
        int channel;
        double at;  // seconds after the reference's start, in graph time
        double run;
        std::optional<double> difference;
    };
    const Case cases[] = {
        {"on a sample", -1, 0, 0, 10, 33, 3.0},
        {"between two samples", -1, 0, 0, 5, 20, -5.0},
        {"next to OL, before it", -1, 0, 0, 15, 40, std::nullopt},
        {"on OL", -1, 0, 0, 20, 40, std::nullopt},
        {"next to OL, after it", -1, 0, 0, 25, 40, std::nullopt},
        {"after OL, between readings", -1, 0, 0, 35, 50, -5.0},
        {"next to ----", -1, 0, 1, 25, 70, std::nullopt},
        {"cooling channel", -1, 0, 1, 15, 80, -5.0},
        {"last sample", -1, 0, 0, 40, 60, 0.0},
        {"after a reference shorter than the run", -1, 0, 0, 41, 60, std::nullopt},
        {"before the reference", -1, 0, 0, -1, 60, std::nullopt},
        {"T1 under T3", 0, 0, 2, 5, 30, 5.0},
        {"T3 of the reference is empty", -1, 0, 2, 5, 30, std::nullopt},
        {"shifted by 100 s", -1, 100, 0, 105, 25, 0.0},
        {"the run has a gap", -1, 0, 0, 5, std::nan(""), std::nullopt},
    };
    for (const Case& c : cases) {
        ReferenceCurve r;
        r.curves = set;
        r.sourceChannel = c.source;
        r.shiftDays = c.shift * kSec;
        const std::optional<double> d = ReferenceDifference(r, c.channel, day0() + c.at * kSec, c.run);
        ASSERT_EQ(d.has_value(), c.difference.has_value()) << c.what;
        if (d) {
            EXPECT_NEAR(*d, *c.difference, 1e-3) << c.what;
        }
    }
}

// Where a reference is pinned: the first reading, an annotation, the first crossing of a
// temperature rising or falling, exactly on a sample; a crossing hidden in a gap and a
// missing annotation give no alignment.
TEST(ReferenceCurve, AlignmentAnchors)
{
    CurveSet ref = reference();
    ref.annotations = {day0() + 12 * kSec};
    // The run: T1 and T2 start an hour later, sampled every 2 s, T1 rising 1 °/s from 10,
    // T2 falling 1 °/s from 110; an annotation at 30 s.
    CurveSet run;
    const double start = day0() + 3600 * kSec;
    for (int i = 0; i < 50; ++i) {
        run.channels[0].x.push_back(start + 2 * i * kSec);
        run.channels[0].y.push_back(10 + 2 * i);
        run.channels[1].x.push_back(start + 2 * i * kSec);
        run.channels[1].y.push_back(110 - 2 * i);
    }
    run.annotations = {start + 30 * kSec};
    struct Case {
        const char* what;
        ReferenceAlignment align;
        std::optional<double> shiftSeconds;
    };
    const Case cases[] = {
        {"start", {ReferenceAnchor::Start, 0, 0, 0}, 3600.0},
        {"annotation", {ReferenceAnchor::Annotation, 0, 0, 0}, 3600 + 30 - 12.0},
        {"no such annotation", {ReferenceAnchor::Annotation, 0, 0, 1}, std::nullopt},
        // reference T1 reaches 25 at 5 s, the run at 15 s
        {"T1 rises through 25", {ReferenceAnchor::Crossing, 0, 25, 0}, 3600 + 15 - 5.0},
        // exactly on a sample: reference at 10 s, run at 20 s
        {"T1 reaches 30 on a sample", {ReferenceAnchor::Crossing, 0, 30, 0}, 3600 + 20 - 10.0},
        // reference T2 falls through 95 at 5 s, the run at 15 s
        {"T2 falls through 95", {ReferenceAnchor::Crossing, 1, 95, 0}, 3600 + 15 - 5.0},
        {"40 lies in the OL gap", {ReferenceAnchor::Crossing, 0, 40, 0}, std::nullopt},
        {"never reached", {ReferenceAnchor::Crossing, 0, 500, 0}, std::nullopt},
        {"no such channel", {ReferenceAnchor::Crossing, 7, 25, 0}, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<double> shift = AlignmentShift(run, ref, c.align);
        ASSERT_EQ(shift.has_value(), c.shiftSeconds.has_value()) << c.what;
        if (shift) {
            EXPECT_NEAR(*shift / kSec, *c.shiftSeconds, 1e-3) << c.what;
        }
    }

    // Reference T2 under every channel: the run's T1 rising through 95 (at 85 s) meets the
    // reference's T2 falling through it (at 5 s). A failed alignment keeps the shift.
    ReferenceCurve r;
    r.curves = ref;
    r.sourceChannel = 1;
    r.shiftDays = 7 * kSec;
    ASSERT_TRUE(AlignReference(run, r, {ReferenceAnchor::Crossing, 0, 95, 0}));
    EXPECT_NEAR(r.shiftDays / kSec, 3600 + 85 - 5.0, 1e-3);
    const double kept = r.shiftDays;
    EXPECT_FALSE(AlignReference(run, r, {ReferenceAnchor::Crossing, 0, 500, 0}));
    EXPECT_EQ(r.shiftDays, kept);
}

// A graph's points become a reference as drawn: gaps stay gaps, points never filled are
// left out, annotations come in time order.
TEST(ReferenceCurve, FromAGraph)
{
    ChartModel chart;
    chart.setSubsets(4);
    chart.setPoints(4);
    const double t0 = day0();
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 3; ++i) {
            chart.setXDataII(c, i, t0 + i * kSec);
            chart.setYData(c, i, i == 1 ? float(chart.NullDataValueY()) : float(20 + i));
        }
    chart.setGraphAnnotationX(0, t0 + 2 * kSec);
    chart.setGraphAnnotationX(1, t0 + kSec);
    const CurveSet set = CurvesFromChart(chart);
    ASSERT_EQ(set.channels[0].x.size(), 3u);  // the fourth point was never filled
    EXPECT_TRUE(std::isnan(set.channels[0].y[1]));
    EXPECT_EQ(set.channels[3].y[2], 22.0);
    ASSERT_EQ(set.annotations.size(), 2u);
    EXPECT_LT(set.annotations[0], set.annotations[1]);
}

// The graph's own value under the read-out: at a sample, between two, next to a gap, and
// past the last point filled (the points never filled at the end read nothing).
TEST(ReferenceCurve, GraphValueAtATime)
{
    ChartModel chart;
    chart.setSubsets(4);
    chart.setPoints(8);
    const double t0 = day0();
    const float gap = float(chart.NullDataValueY());
    const float t1[] = {20, 30, gap, 50, 60};
    for (int i = 0; i < 5; ++i)
        chart.setXDataII(0, i, t0 + 10 * i * kSec);
    for (int i = 0; i < 5; ++i)
        chart.setYData(0, i, t1[i]);
    struct Case {
        double seconds;
        std::optional<double> value;
    };
    for (const Case& c : {Case{0, 20.0}, Case{5, 25.0}, Case{10, 30.0}, Case{15, std::nullopt}, Case{20, std::nullopt},
                          Case{35, 55.0}, Case{40, 60.0}, Case{41, std::nullopt}, Case{-1, std::nullopt}}) {
        SCOPED_TRACE(c.seconds);
        const std::optional<double> v = ChartValueAt(chart, 0, t0 + c.seconds * kSec);
        ASSERT_EQ(v.has_value(), c.value.has_value());
        if (v) {
            EXPECT_NEAR(*v, *c.value, 1e-4);
        }
    }
    EXPECT_FALSE(ChartValueAt(chart, 1, t0));  // a channel never filled
    EXPECT_FALSE(ChartValueAt(chart, 4, t0));  // no such channel
}

// Samples of a stored run (a library item, a data set) as a reference: values outside the
// meter's range are no reading; a reference in °F laid under a graph in °C is converted,
// one whose unit is not known is taken as it is.
TEST(ReferenceCurve, FromSamplesInEitherUnit)
{
    const double t0 = day0();
    const std::vector<double> times = {t0, t0 + 10 * kSec, t0 + 20 * kSec};
    const std::vector<float> values = {212, 32, 9999, 50, -40, 3000, 98.6f, 50, 32, -400, 212, 50};
    CurveSet set = CurvesFromSamples(times, values, QStringLiteral("°F"));
    ASSERT_EQ(set.channels[0].y.size(), 3u);
    EXPECT_TRUE(std::isnan(set.channels[2].y[0]));  // the gap value
    EXPECT_TRUE(std::isnan(set.channels[1].y[1]));  // over range
    EXPECT_TRUE(std::isnan(set.channels[1].y[2]));  // under range
    ConvertCurves(set, QStringLiteral("°C"));
    EXPECT_EQ(set.unit, QStringLiteral("°C"));
    EXPECT_NEAR(set.channels[0].y[0], 100.0, 1e-9);
    EXPECT_NEAR(set.channels[1].y[0], 0.0, 1e-9);
    EXPECT_NEAR(set.channels[0].y[1], -40.0, 1e-9);
    EXPECT_NEAR(set.channels[2].y[1], 37.0, 1e-4);
    EXPECT_TRUE(std::isnan(set.channels[1].y[1]));
    ConvertCurves(set, QStringLiteral("°F"));
    EXPECT_NEAR(set.channels[0].y[0], 212.0, 1e-9);

    CurveSet table = reference();  // a table: no unit
    const double before = table.channels[0].y[0];
    ConvertCurves(table, QStringLiteral("°F"));
    EXPECT_EQ(table.channels[0].y[0], before);
}

// A crossing found by interpolation lies between the two samples it was found between, even
// where rounding would put it an ulp past the later one (a damaged table's far-apart times).
TEST(ReferenceCurve, CrossingStaysBetweenItsSamples)
{
    CurvePoints c;
    c.x = {-865635.7558875987, 847433.7369372327};
    c.y = {-1.0f, 1e-30f};
    const std::optional<double> at = FirstCrossing(c, 0.0);
    ASSERT_TRUE(at);
    EXPECT_GE(*at, c.x.front());
    EXPECT_LE(*at, c.x.back());
}

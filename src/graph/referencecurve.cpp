// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/referencecurve.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/chartmodel.h"
#include "files/tabledatetime.h"
#include "graph/graphfile.h"

namespace kelvor {

namespace {
constexpr double kNoReading = std::numeric_limits<double>::quiet_NaN();

// A table, a file or a memory may hold rows out of order (a clock set back); lookups
// need time order, and a stable sort keeps equal times as written.
void sortByTime(CurvePoints& c)
{
    if (std::is_sorted(c.x.begin(), c.x.end()))
        return;
    std::vector<size_t> order(c.x.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return c.x[a] < c.x[b]; });
    CurvePoints sorted;
    for (size_t i : order) {
        sorted.x.push_back(c.x[i]);
        sorted.y.push_back(c.y[i]);
    }
    c = std::move(sorted);
}

bool reading(double v) { return !std::isnan(v); }

// Between the samples of x/y (time order, n of them) at `at`: none outside, in a gap or
// next to one.
std::optional<double> interpolate(const double* x, const double* y, size_t n, double at)
{
    const size_t hi = size_t(std::lower_bound(x, x + n, at) - x);
    if (hi == n)
        return std::nullopt;
    if (x[hi] == at)
        return reading(y[hi]) ? std::optional<double>(y[hi]) : std::nullopt;
    if (hi == 0 || !reading(y[hi - 1]) || !reading(y[hi]))
        return std::nullopt;
    const size_t lo = hi - 1;
    return y[lo] + (y[hi] - y[lo]) * ((at - x[lo]) / (x[hi] - x[lo]));
}
}  // namespace

CurveSet CurvesFromTable(const TableRows& rows, const QLocale& locale)
{
    CurveSet set;
    for (const TableRow& row : rows) {
        const std::optional<double> t = ParseTableDateTime(row[0], row[1], locale);
        if (!t)
            continue;
        for (int c = 0; c < kCurveChannels; ++c) {
            const std::optional<float> v = ParseTableValue(row[size_t(2 + c)], locale);
            set.channels[size_t(c)].x.push_back(*t);
            set.channels[size_t(c)].y.push_back(v && std::isfinite(*v) ? double(*v) : kNoReading);
        }
    }
    for (CurvePoints& c : set.channels)
        sortByTime(c);
    return set;
}

CurveSet CurvesFromSamples(const std::vector<double>& times, const std::vector<float>& values4, const QString& unit)
{
    CurveSet set;
    set.unit = unit;
    const size_t n = std::min(times.size(), values4.size() / 4);
    for (size_t i = 0; i < n; ++i) {
        for (int c = 0; c < kCurveChannels; ++c) {
            const float v = values4[4 * i + size_t(c)];
            set.channels[size_t(c)].x.push_back(times[i]);
            set.channels[size_t(c)].y.push_back(v <= 2500.0f && v >= -328.0f ? double(v) : kNoReading);
        }
    }
    for (CurvePoints& c : set.channels)
        sortByTime(c);
    return set;
}

void ConvertCurves(CurveSet& curves, const QString& unit)
{
    if (curves.unit.isEmpty() || unit.isEmpty() || curves.unit == unit)
        return;
    const bool toCelsius = unit == QStringLiteral("°C");
    for (CurvePoints& c : curves.channels)
        for (double& v : c.y)
            v = toCelsius ? (v - 32.0) / 1.8 : v * 1.8 + 32.0;  // NaN stays NaN
    curves.unit = unit;
}

CurveSet CurvesFromChart(const ChartModel& chart)
{
    CurveSet set;
    set.unit = chart.unitText();
    const double gap = chart.NullDataValueY();
    for (int c = 0; c < std::min(kCurveChannels, chart.Subsets()); ++c) {
        const std::vector<double>& x = chart.xData(c);
        const std::vector<float>& y = chart.yData(c);
        CurvePoints& out = set.channels[size_t(c)];
        for (size_t i = 0; i < std::min(x.size(), y.size()); ++i) {
            if (x[i] == 0.0)
                continue;  // never filled
            out.x.push_back(x[i]);
            out.y.push_back(double(y[i]) == gap || !std::isfinite(y[i]) ? kNoReading : double(y[i]));
        }
        sortByTime(out);
    }
    for (const GraphAnnotation& a : chart.state().graphAnnotations)
        set.annotations.push_back(a.x);
    std::sort(set.annotations.begin(), set.annotations.end());
    return set;
}

Result<CurveSet> ReadReferenceFile(const QString& path)
{
    CurveSet set;
    if (QFileInfo(path).suffix().compare(QLatin1String("ghf"), Qt::CaseInsensitive) == 0) {
        ChartModel chart;
        const GraphFileResult read = ReadGraphFile(chart, path);
        if (!read.ok())
            return Result<CurveSet>::failure(read.error);
        set = CurvesFromChart(chart);
    } else {
        const TableReadResult read = ReadTextTable(path);
        if (!read.ok())
            return Result<CurveSet>::failure(read.error);
        set = CurvesFromTable(read.rows);
    }
    const bool any = std::any_of(set.channels.begin(), set.channels.end(),
                                 [](const CurvePoints& c) { return std::any_of(c.y.begin(), c.y.end(), reading); });
    if (!any)
        return Result<CurveSet>::failure(QStringLiteral("\"%1\" holds no readings to lay under the graph.").arg(path));
    return set;
}

std::optional<double> FirstCrossing(const CurvePoints& c, double temperature)
{
    const size_t n = std::min(c.x.size(), c.y.size());
    for (size_t i = 0; i < n; ++i) {
        if (!reading(c.y[i]))
            continue;
        if (c.y[i] == temperature)
            return c.x[i];
        if (i + 1 >= n || !reading(c.y[i + 1]))
            continue;
        const double a = c.y[i] - temperature;
        const double b = c.y[i + 1] - temperature;
        if ((a < 0) != (b < 0) && b != 0) {
            // Rounding may put the interpolated time an ulp past either sample; the crossing
            // lies between them.
            const double t = c.x[i] + (c.x[i + 1] - c.x[i]) * (a / (a - b));
            return std::isnan(t) ? c.x[i] : std::clamp(t, c.x[i], c.x[i + 1]);
        }
    }
    return std::nullopt;
}

std::optional<double> AnchorTime(const CurveSet& curves, const ReferenceAlignment& a)
{
    switch (a.anchor) {
        case ReferenceAnchor::Start: {
            std::optional<double> first;
            for (const CurvePoints& c : curves.channels)
                if (!c.x.empty())
                    first = first ? std::min(*first, c.x.front()) : c.x.front();
            return first;
        }
        case ReferenceAnchor::Annotation:
            if (a.annotation < 0 || a.annotation >= int(curves.annotations.size()))
                return std::nullopt;
            return curves.annotations[size_t(a.annotation)];
        case ReferenceAnchor::Crossing:
            if (a.channel < 0 || a.channel >= kCurveChannels)
                return std::nullopt;
            return FirstCrossing(curves.channels[size_t(a.channel)], a.temperature);
    }
    return std::nullopt;
}

std::optional<double> AlignmentShift(const CurveSet& run, const CurveSet& reference, const ReferenceAlignment& a)
{
    const std::optional<double> there = AnchorTime(run, a);
    const std::optional<double> here = AnchorTime(reference, a);
    if (!there || !here)
        return std::nullopt;
    return *there - *here;
}

bool AlignReference(const CurveSet& run, ReferenceCurve& r, const ReferenceAlignment& a)
{
    ReferenceAlignment own = a;
    if (a.anchor == ReferenceAnchor::Crossing && r.sourceChannel >= 0)
        own.channel = r.sourceChannel;
    const std::optional<double> there = AnchorTime(run, a);
    const std::optional<double> here = AnchorTime(r.curves, own);
    if (!there || !here)
        return false;
    r.shiftDays = *there - *here;
    return true;
}

const CurvePoints* ReferenceChannelFor(const ReferenceCurve& r, int channel)
{
    const int from = r.sourceChannel >= 0 ? r.sourceChannel : channel;
    if (from < 0 || from >= kCurveChannels || channel < 0 || channel >= kCurveChannels)
        return nullptr;
    const CurvePoints& c = r.curves.channels[size_t(from)];
    return c.x.empty() ? nullptr : &c;
}

std::optional<double> ReferenceValueAt(const ReferenceCurve& r, int channel, double t)
{
    const CurvePoints* c = ReferenceChannelFor(r, channel);
    if (!c || !std::isfinite(t))
        return std::nullopt;
    return interpolate(c->x.data(), c->y.data(), std::min(c->x.size(), c->y.size()), t - r.shiftDays);
}

std::optional<double> ChartValueAt(const ChartModel& chart, int channel, double t)
{
    if (channel < 0 || channel >= chart.Subsets() || !std::isfinite(t))
        return std::nullopt;
    const std::vector<double>& x = chart.xData(channel);
    const std::vector<float>& y = chart.yData(channel);
    // The filled points come first; a point never filled has X 0.
    const size_t n = size_t(std::partition_point(x.begin(), x.begin() + std::ptrdiff_t(std::min(x.size(), y.size())),
                                                 [](double v) { return v != 0.0; }) -
                            x.begin());
    const size_t hi = size_t(std::lower_bound(x.begin(), x.begin() + std::ptrdiff_t(n), t) - x.begin());
    const double gap = chart.NullDataValueY();
    const auto value = [&](size_t k) {
        return double(y[k]) == gap || !std::isfinite(y[k]) ? kNoReading : double(y[k]);
    };
    // Two samples around t are all the interpolation needs.
    const size_t lo = hi > 0 ? hi - 1 : 0;
    const size_t count = std::min(n, hi + 1) - lo;
    double xs[2] = {0, 0}, ys[2] = {kNoReading, kNoReading};
    for (size_t k = 0; k < count; ++k) {
        xs[k] = x[lo + k];
        ys[k] = value(lo + k);
    }
    return interpolate(xs, ys, count, t);
}

std::optional<double> ReferenceDifference(const ReferenceCurve& r, int channel, double t, double runValue)
{
    if (!std::isfinite(runValue))
        return std::nullopt;
    const std::optional<double> ref = ReferenceValueAt(r, channel, t);
    if (!ref)
        return std::nullopt;
    return runValue - *ref;
}

}  // namespace kelvor

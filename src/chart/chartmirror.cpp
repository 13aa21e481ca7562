// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/chartmirror.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "chart/chartmodel.h"

namespace kelvor {

namespace {

// The first index in xs[0, n) whose time is at or after `days` (after it when `past`),
// found by stepping from `hint` when it is near - a run appending moves it a few places
// per sample - and by a binary search otherwise.
int boundNear(const std::vector<double>& xs, int n, int hint, double days, bool past)
{
    auto before = [&](int i) { return past ? xs[size_t(i)] <= days : xs[size_t(i)] < days; };
    constexpr int kSteps = 16;
    int i = std::clamp(hint, 0, n);
    if (i == 0 || before(i - 1)) {
        for (int k = 0; k < kSteps; ++k, ++i)
            if (i == n || !before(i))
                return i;
    }
    const auto first = xs.begin(), last = xs.begin() + n;
    return int((past ? std::upper_bound(first, last, days) : std::lower_bound(first, last, days)) - first);
}

}  // namespace

void ChartMirror::attach(std::vector<PlotSeriesSink*> sinks)
{
    m_series.assign(sinks.size(), {});
    for (size_t s = 0; s < sinks.size(); ++s)
        m_series[s].sink = sinks[s];
}

int ChartMirror::mirrored(int sub) const
{
    // The model may have shrunk since the last refresh; never read past its arrays.
    const ChartState& s = m_model.state();
    if (sub < 0 || sub >= subsets() || sub >= int(s.data.size()))
        return 0;
    return std::min(
        {m_series[size_t(sub)].synced, int(s.data[size_t(sub)].x.size()), int(s.data[size_t(sub)].y.size())});
}

PlotPoint ChartMirror::pointOf(int sub, int i) const
{
    const ChartState& s = m_model.state();
    const float y = s.data[size_t(sub)].y[size_t(i)];
    return {PlotKeyOf(s.data[size_t(sub)].x[size_t(i)]),
            y == float(s.nullDataValueY) ? std::numeric_limits<double>::quiet_NaN() : double(y)};
}

int ChartMirror::BucketFor(int inView, int pixels)
{
    pixels = std::max(1, pixels);
    if (inView <= kRawPointsPerPixel * pixels)
        return 1;
    int bucket = 2;
    while (inView / bucket > kRunsPerPixel * pixels)
        bucket *= 2;
    return bucket;
}

void ChartMirror::takeOver(const ChartChanges& changes, bool keepDetail, int pixels)
{
    if (changes.dataFrom < 0 && !changes.structure)
        return;
    const ChartState& s = m_model.state();
    for (int sub = 0; sub < subsets() && sub < int(s.data.size()); ++sub) {
        Series& d = m_series[size_t(sub)];
        if (!d.sink)
            continue;
        const std::vector<double>& xs = s.data[size_t(sub)].x;
        const int from = d.synced;
        const bool rebuild = changes.structure || changes.dataFrom < from;
        // Mirror the filled prefix: the first X of 0.0 is a point never written.
        int end = rebuild ? 0 : from;
        const int n = int(std::min(xs.size(), s.data[size_t(sub)].y.size()));
        while (end < n && xs[size_t(end)] != 0.0)
            ++end;
        d.extremes.invalidateFrom(rebuild ? 0 : changes.dataFrom);
        if (rebuild) {
            // Until the new time range is known, judge by every point being in view.
            if (!keepDetail)
                d.bucket = BucketFor(end, pixels);
            if (d.bucket > 1)
                drawEnvelope(sub, end);
            else
                drawPoints(sub, 0, end);
        } else if (d.bucket > 1 && std::is_sorted(xs.begin() + std::max(0, from - 1), xs.begin() + end)) {
            for (int i = from; i < end; ++i)
                extendEnvelope(sub, i);
        } else if (d.bucket > 1) {
            d.ordered = false;
            d.bucket = 1;
            drawPoints(sub, 0, end);
        } else {
            drawPoints(sub, from, end);
        }
        d.synced = end;
    }
}

int ChartMirror::wantedBucket(int sub, double fromDays, double toDays, int pixels) const
{
    const Series& d = m_series[size_t(sub)];
    const int n = mirrored(sub);
    if (!d.ordered || BucketFor(n, pixels) == 1)
        return 1;
    const std::vector<double>& xs = m_model.state().data[size_t(sub)].x;
    const auto lo = std::lower_bound(xs.begin(), xs.begin() + n, fromDays);
    const auto hi = std::upper_bound(lo, xs.begin() + n, toDays);
    return BucketFor(int(hi - lo), pixels);
}

bool ChartMirror::fitDetail(int sub, double fromDays, double toDays, int pixels)
{
    if (!drawn(sub))
        return false;
    const int want = wantedBucket(sub, fromDays, toDays, pixels);
    Series& d = m_series[size_t(sub)];
    if (want == d.bucket)
        return false;
    d.bucket = want;
    d.synced = mirrored(sub);
    if (want > 1)
        drawEnvelope(sub, d.synced);
    else
        drawPoints(sub, 0, d.synced);
    return true;
}

bool ChartMirror::extremesIn(int sub, double fromDays, double toDays, double& lo, double& hi)
{
    if (!drawn(sub))
        return false;
    const ChartState& s = m_model.state();
    Series& d = m_series[size_t(sub)];
    const int n = mirrored(sub);
    const std::vector<double>& xs = s.data[size_t(sub)].x;
    int from = 0, to = n;
    // Times that go back (a hand-made table) are read whole rather than searched.
    if (d.ordered) {
        from = boundNear(xs, n, d.extremes.from(), fromDays, false);
        to = boundNear(xs, n, std::max(from, d.extremes.to()), toDays, true);
    }
    d.extremes.moveTo(s.data[size_t(sub)].y.data(), from, to, float(s.nullDataValueY));
    if (d.extremes.empty())
        return false;
    lo = d.extremes.minimum();
    hi = d.extremes.maximum();
    return true;
}

void ChartMirror::drawPoints(int sub, int from, int end)
{
    Series& d = m_series[size_t(sub)];
    const bool rebuild = from == 0;
    m_buffer.resize(size_t(end - from));
    bool sorted = true;
    double last = rebuild ? -std::numeric_limits<double>::infinity() : d.lastKey;
    for (int i = from; i < end; ++i) {
        const PlotPoint p = pointOf(sub, i);
        m_buffer[size_t(i - from)] = p;
        sorted = sorted && p.key >= last;
        last = p.key;
    }
    if (rebuild)
        d.sink->replacePoints(m_buffer, sorted);
    else if (!m_buffer.empty())
        d.sink->appendPoints(m_buffer, sorted);
    if (rebuild || end > from)
        d.lastKey = last;
    d.ordered = (d.ordered || rebuild) && sorted;
}

void ChartMirror::drawEnvelope(int sub, int end)
{
    Series& d = m_series[size_t(sub)];
    const std::vector<double>& xs = m_model.state().data[size_t(sub)].x;
    if (!std::is_sorted(xs.begin(), xs.begin() + end)) {
        d.ordered = false;
        d.bucket = 1;
        drawPoints(sub, 0, end);
        return;
    }
    d.ordered = true;
    d.open = {};
    d.openStart = 0;
    d.openDrawn = 0;
    // A tight pass over the arrays: a full refresh of a long chart runs through here.
    const std::vector<float>& ys = m_model.state().data[size_t(sub)].y;
    const float nullY = float(m_model.state().nullDataValueY);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    m_buffer.clear();
    m_buffer.reserve(size_t(end / d.bucket) * EnvelopeBucket::kMaxKept + 8);
    EnvelopeBucket::Kept keep{};
    for (int start = 0; start < end; start += d.bucket) {
        // The last run stays open for the samples still to come.
        d.open = {};
        d.openStart = start;
        const int stop = std::min(end, start + d.bucket);
        for (int i = start; i < stop; ++i)
            d.open.add(i, ys[size_t(i)] == nullY, ys[size_t(i)]);
        d.openDrawn = d.open.keep(keep);
        for (int k = 0; k < d.openDrawn; ++k) {
            const size_t i = size_t(keep[size_t(k)]);
            m_buffer.push_back({PlotKeyOf(xs[i]), ys[i] == nullY ? nan : double(ys[i])});
        }
    }
    d.sink->replacePoints(m_buffer, true);
    d.lastKey = m_buffer.empty() ? -std::numeric_limits<double>::infinity() : m_buffer.back().key;
}

void ChartMirror::extendEnvelope(int sub, int i)
{
    Series& d = m_series[size_t(sub)];
    if (i >= d.openStart + d.bucket) {
        // The filling run is complete: what it drew stays, a new run begins.
        d.open = {};
        d.openStart = i;
        d.openDrawn = 0;
    }
    const PlotPoint point = pointOf(sub, i);
    d.open.add(i, std::isnan(point.value), point.value);
    EnvelopeBucket::Kept keep{};
    const int n = d.open.keep(keep);
    m_buffer.resize(size_t(n));
    for (int k = 0; k < n; ++k)
        m_buffer[size_t(k)] = keep[size_t(k)] == i ? point : pointOf(sub, keep[size_t(k)]);
    d.sink->dropLastPoints(d.openDrawn);
    d.sink->appendPoints(m_buffer, true);
    d.openDrawn = n;
    d.lastKey = m_buffer.back().key;
}

}  // namespace kelvor

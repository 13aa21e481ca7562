// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/realtimerun.h"

#include <algorithm>
#include <cmath>

#include "base/localetext.h"
#include "chart/chartmodel.h"

namespace kelvor {

namespace {
struct Hms {
    std::int64_t h, m, s;
};

Hms split(std::int64_t count, std::int64_t rateSeconds)
{
    const std::int64_t total = count * rateSeconds;
    return {total / 3600, (total % 3600) / 60, total % 60};
}

QString twoDigits(std::int64_t v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')).right(2); }
}  // namespace

QString RunPeriodText(std::int64_t count, std::int64_t rateSeconds)
{
    const Hms t = split(count, rateSeconds);
    return QStringLiteral("%1:%2:%3").arg(t.h).arg(t.m).arg(t.s);
}

QString SetupPeriodText(std::int64_t count, std::int64_t rateSeconds)
{
    const Hms t = split(count, rateSeconds);
    return QString::number(t.h) + QLatin1Char(':') + twoDigits(t.m) + QLatin1Char(':') + twoDigits(t.s);
}

std::optional<int> ParseRecordCount(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n <= 0)
        return std::nullopt;
    return n;
}

int PeriodRecordCount(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : 0;
}

float SampleValue(std::uint8_t flags, int channel, float value)
{
    const bool flagged = flags & ((1u << channel) | (1u << (channel + 4)));
    return flagged ? kGapValue : value;
}

QString ExtremeText(std::uint8_t flags, int channel, float value, double when)
{
    if (flags & (1u << channel))
        return QStringLiteral("OL");
    if (flags & (1u << (channel + 4)))
        return QStringLiteral("----");
    return FixedText(value, 1) + QLatin1Char('@') + DateTimeText(when);
}

std::uint8_t UpdateExtremes(RealTimeState& state, const std::array<float, 4>& values)
{
    std::uint8_t moved = 0;
    for (int c = 0; c < 4; ++c) {
        if (values[size_t(c)] > state.ChannelMax[c]) {
            state.ChannelMax[c] = values[size_t(c)];
            moved |= std::uint8_t(1u << c);
        }
        if (values[size_t(c)] < state.ChannelMin[c]) {
            state.ChannelMin[c] = values[size_t(c)];
            moved |= std::uint8_t(1u << (c + 4));
        }
    }
    return moved;
}

void AddToRunAverages(RealTimeState& state, std::uint8_t flags, const std::array<float, 4>& values)
{
    for (int c = 0; c < 4; ++c) {
        const float y = SampleValue(flags, c, values[size_t(c)]);
        if (y > -3000.0f && y < 3000.0f) {
            state.ChannelSum[c] += y;
            ++state.ChannelAveraged[c];
        }
    }
}

void PrepareRunStore(ChartModel& chart, RealTimeState& state, int count)
{
    chart.setPoints(count);
    // Every point, not only the first few: a longer earlier run must not show through.
    for (int i = 0; i < chart.Points(); ++i) {
        chart.setXDataII(-1, i, 0.0);
        chart.setYDataII(-1, i, kGapValue);
    }
    chart.clearPointFlags();
    state.SampleCount = 0;
    state.SampleMissed = false;
    state.GapPoints = 0;
    std::fill(std::begin(state.ChannelSum), std::end(state.ChannelSum), 0.0);
    std::fill(std::begin(state.ChannelAveraged), std::end(state.ChannelAveraged), 0);
    std::fill(std::begin(state.ChannelMax), std::end(state.ChannelMax), -9999.0f);
    std::fill(std::begin(state.ChannelMin), std::end(state.ChannelMin), 9999.0f);
}

void WriteRunSample(ChartModel& chart, int n, std::uint8_t flags, double when, const std::array<float, 4>& values)
{
    WriteRunChannels(chart, n, 0, flags, when, values);
    chart.setPointFlags(n, flags);
}

void WriteRunChannels(ChartModel& chart, int n, int firstSubset, std::uint8_t flags, double when,
                      const std::array<float, 4>& values)
{
    for (int c = 0; c < 4; ++c) {
        chart.setXDataII(firstSubset + c, n, when);
        chart.setYData(firstSubset + c, n, SampleValue(flags, c, values[size_t(c)]));
    }
}

int NextRunSlot(ChartModel& chart, const RealTimeState& state)
{
    const int n = state.SampleCount;
    if (n < chart.Points())
        return n;
    if (!state.OpenEnded || chart.Points() == 0)
        return -1;
    // Open-ended: the oldest point scrolls out of the graph (the library keeps it).
    chart.DropFirstPoints(1);
    chart.setManualMinX(chart.XDataII(0, 0));
    return chart.Points() - 1;
}

bool WriteRunBreak(ChartModel& chart, RealTimeState& state, double when)
{
    if (!state.OpenEnded && state.SampleCount < kChartMaxPoints)
        chart.setPoints(chart.Points() + 1);
    const int n = NextRunSlot(chart, state);
    if (n <= 0)
        return n == 0;  // nothing before it: no line to break
    const double last = chart.XDataII(0, n - 1);
    constexpr std::uint8_t kNoReadings = 0xF0;  // "----" on every channel
    const double at = last + (when - last) / 2.0;
    WriteRunSample(chart, n, kNoReadings, at, {});
    for (int first = 4; first < chart.Subsets(); first += 4)
        WriteRunChannels(chart, n, first, kNoReadings, at, {});
    ++state.SampleCount;
    ++state.GapPoints;
    return true;
}

void ShortenRunStore(ChartModel& chart, int sampleCount)
{
    if (chart.Points() <= sampleCount)
        return;
    if (sampleCount <= 0) {
        chart.setPoints(0);
        return;
    }
    const int last = sampleCount - 1;
    const double x = chart.XDataII(3, last);
    const float y = chart.YData(3, last);
    chart.setPoints(sampleCount);
    chart.setXDataII(3, last, x);
    chart.setYData(3, last, y);
}

QString RunAverageText(const ChartModel& chart, int subset, int count)
{
    const auto& ys = chart.yData(subset);
    const size_t n = std::min(ys.size(), size_t(std::max(count, 0)));
    double sum = 0.0;
    int taken = 0;
    for (size_t i = 0; i < n; ++i) {
        const float y = ys[i];
        if (y > -3000.0f && y < 3000.0f) {
            sum += y;
            ++taken;
        }
    }
    return AverageText(sum, taken);
}

QString AverageText(double sum, std::int64_t taken)
{
    if (taken <= 0)
        return QStringLiteral("****");
    const double avg = sum / double(taken);
    return std::isfinite(avg) ? FixedText(avg, 3) : QStringLiteral("****");
}

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/meterchannels.h"

#include "chart/chartmodel.h"

namespace kelvor {

QString MeterChannelLabel(const QString& meter, int channel)
{
    return QStringLiteral("%1 T%2").arg(meter).arg(channel + 1);
}

int MeterChannelColor(int meter, int channel)
{
    // Picked one by one, each as far as could be from all before it as the chart draws
    // them on a black, a grey and a white plot (it lightens or darkens a line until it
    // reads), so the first meters are the most distinct: the channels after the first
    // meter's four, meter by meter.
    static const int kColors[28] = {0x99B4FF, 0xE8B0B0, 0x227771, 0x804DCB, 0xFF5CB3, 0x993D00, 0x571AFF,
                                    0x772239, 0xDA81BC, 0xC6E8B0, 0xDAB081, 0x1AFFB2, 0x3050A6, 0xB21AFF,
                                    0x1A1AFF, 0xFF1A57, 0xFF875C, 0xD6008F, 0x5CC9FF, 0x8E30A6, 0xC11515,
                                    0xFFDD99, 0x8181DA, 0xE8E4B0, 0xFF99A7, 0xB2FF1A, 0x990052, 0xC4A3F5};
    if (meter <= 0)
        return defaultSubsetColor(channel);
    return kColors[(4 * (meter - 1) + channel) % 28];
}

void ApplyMeterChannels(ChartModel& chart, const std::vector<QString>& meters)
{
    chart.setSubsets(int(meters.size()) * 4);
    for (int m = 0; m < int(meters.size()); ++m)
        for (int c = 0; c < 4; ++c) {
            chart.setSubsetLabels(4 * m + c, MeterChannelLabel(meters[std::size_t(m)], c));
            if (m > 0)
                chart.setSubsetColors(4 * m + c, MeterChannelColor(m, c));
        }
}

int ChartMeters(const ChartModel& chart) { return chart.Subsets() > 4 ? (chart.Subsets() + 3) / 4 : 1; }

void SplitChart(ChartModel& chart, bool split)
{
    chart.setMultiAxesSubsets(-1, 0);
    if (!split) {
        chart.setMultiAxesProportions(0, 1.0);
        return;
    }
    const int meters = ChartMeters(chart);
    const int plots = meters > 1 ? meters : 4;
    for (int a = 0; a < plots; ++a) {
        chart.setMultiAxesSubsets(a, meters > 1 ? 4 : 1);
        chart.setMultiAxesProportions(a, 1.0 / plots);
    }
}

void CopyMeterChart(const ChartModel& from, int meter, ChartModel& to)
{
    (void)to.LoadState(from.StoreState());
    const int first = 4 * meter;
    for (int c = 0; c < 4; ++c) {
        const int sub = first + c;
        to.setSubsetLabels(c, from.SubsetLabels(sub));
        to.setSubsetColors(c, from.SubsetColors(sub));
        const std::vector<double>& xs = from.xData(sub);
        const std::vector<float>& ys = from.yData(sub);
        for (int i = 0; i < to.Points(); ++i) {
            to.setXDataII(c, i, std::size_t(i) < xs.size() ? xs[std::size_t(i)] : 0.0);
            to.setYData(c, i, std::size_t(i) < ys.size() ? ys[std::size_t(i)] : float(from.NullDataValueY()));
        }
    }
    to.setSubsets(4);
    if (meter > 0)
        to.clearAlarmEvents();
}

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/exportseries.h"

#include <algorithm>

#include "base/clock.h"
#include "base/localoffsets.h"
#include "base/meternames.h"
#include "chart/chartmodel.h"
#include "logger/datasetformat.h"
#include "logger/datasetstore.h"

namespace kelvor {

namespace {
QString isoText(double days) { return IsoTextWithOffset(days, LocalOffsets().offsetAt(days)); }
QString unitText(const DataSet& s) { return s.inCelsius ? QStringLiteral("°C") : QStringLiteral("°F"); }
}  // namespace

QString ExportSeries::missingText(int sample, int channel) const
{
    const std::vector<std::uint8_t>& of = channel < 4 ? flags : meters[size_t(channel / 4)].flags;
    const int c = channel % 4;
    const std::uint8_t f = size_t(sample) < of.size() ? of[size_t(sample)] : 0;
    const bool noReading = (f & (1u << (c + 4))) && !(f & (1u << c));
    return noReading ? QStringLiteral("----") : QStringLiteral("OL");
}

QString ExportSeries::meterHeading(int meter) const
{
    const ExportMeter& m = meters[size_t(meter)];
    return MeterHeading(m.name, m.serial, meter);
}

QString ExportSeries::channelName(int channel) const
{
    const QString t = QStringLiteral("T%1").arg(channel % 4 + 1);
    return meterCount() == 1 ? t : meterHeading(channel / 4) + QLatin1Char(' ') + t;
}

QString MissingFlagsText(const ExportSeries& series, int sample)
{
    QString why;
    auto add = [&why](const QString& text) {
        if (!why.isEmpty())
            why += QLatin1Char(' ');
        why += text;
    };
    for (int m = 0; m < series.meterCount(); ++m) {
        if (series.meterCount() > 1 && series.meterAbsent(sample, m)) {
            add(series.meterHeading(m) + QStringLiteral(" absent"));
            continue;
        }
        for (int c = 4 * m; c < 4 * m + 4; ++c)
            if (IsMissingValue(series.channelValue(sample, c)))
                add(series.channelName(c) + QLatin1Char(' ') + series.missingText(sample, c));
    }
    return why;
}

bool HasMissingValues(const ExportSeries& series)
{
    if (std::any_of(series.values.begin(), series.values.end(), IsMissingValue))
        return true;
    for (int m = 1; m < series.meterCount(); ++m)
        if (std::any_of(series.meters[size_t(m)].values.begin(), series.meters[size_t(m)].values.end(), IsMissingValue))
            return true;
    return false;
}

ExportSeries SeriesFromDataSet(const DataSetStore& store, int k)
{
    const DataSet& set = store.sets[size_t(k)];
    ExportSeries s;
    s.name = QStringLiteral("Set %1").arg(k + 1);
    s.unit = unitText(set);
    s.meterClock = true;
    const double* times = store.timesOf(size_t(k));
    const float* values = store.valuesOf(size_t(k));
    s.times.resize(size_t(set.sampleCount));
    for (int i = 0; i < set.sampleCount; ++i)
        s.times[size_t(i)] = times[4 * i];
    s.values.assign(values, values + 4 * size_t(set.sampleCount));

    const TextStyle iso = TextStyle::isoStyle();
    QStringList offsets;
    for (int c = 0; c < 4; ++c)
        offsets << QStringLiteral("T%1 %2 %3").arg(c + 1).arg(FormatDecimal(OffsetInUnit(set, c), iso), s.unit);
    s.source = {
        {QStringLiteral("Source"), QStringLiteral("Data set %1 of a download").arg(k + 1)},
        {QStringLiteral("Start"), isoText(set.start)},
        {QStringLiteral("Interval"), QStringLiteral("%1 (mm:ss)").arg(FormatRate(set.interval))},
        {QStringLiteral("Samples"), QString::number(set.sampleCount)},
        {QStringLiteral("Unit"), s.unit},
        {QStringLiteral("Thermocouple type"), FormatCouple(set.thermoType)},
        {QStringLiteral("Offsets"), offsets.join(QStringLiteral(", "))},
    };
    return s;
}

ExportSeries SeriesFromChart(const ChartModel& chart, const QString& name, const std::vector<ExportMeter>& meters)
{
    ExportSeries s;
    s.name = name;
    s.unit = chart.unitText();
    if (meters.size() > 1 && chart.Subsets() > 4)
        s.meters = meters;
    const int channels = s.channels();
    const int subsets = std::min(chart.Subsets(), channels);
    const std::vector<double>& x0 = chart.xData(0);
    int n = 0;
    while (n < chart.Points() && size_t(n) < x0.size() && x0[size_t(n)] != 0.0)
        ++n;
    s.times.assign(x0.begin(), x0.begin() + n);
    s.values.assign(4 * size_t(n), 9999.0f);
    for (int m = 1; m < s.meterCount(); ++m)
        s.meters[size_t(m)].values.assign(4 * size_t(n), 9999.0f);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < subsets; ++c) {
            float& y = c < 4 ? s.values[size_t(4 * i + c)] : s.meters[size_t(c / 4)].values[size_t(4 * i + c % 4)];
            y = chart.YData(c, i);
        }
    bool flagged = false;
    for (int i = 0; i < n && !flagged; ++i)
        flagged = chart.pointFlags(i) != 0;
    if (flagged) {
        s.flags.resize(size_t(n));
        for (int i = 0; i < n; ++i)
            s.flags[size_t(i)] = chart.pointFlags(i);
    }
    s.source = {{QStringLiteral("Source"), name}, {QStringLiteral("Samples"), QString::number(n)}};
    if (n > 0) {
        s.source.append({QStringLiteral("Start"), isoText(s.times.front())});
        s.source.append({QStringLiteral("End"), isoText(s.times.back())});
    }
    return s;
}

GraphStatistics SeriesStatistics(const ExportSeries& series, int meter)
{
    ChannelSamples samples;
    samples.points = series.samples();
    samples.x = [&series](int, int i) { return series.times[size_t(i)]; };
    samples.y = [&series, meter](int c, int i) { return series.channelValue(i, 4 * meter + c); };
    return ComputeStatistics(samples);
}

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
// Cursor statistics between A and B over 100,000 samples x 4 channels, against a plain
// rescan of the same samples (the anchor); and a chart's replot while cursor A is dragged,
// against the same chart without cursors. Anchors are timed in the same run.
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "benchsupport.h"
#include "chart/ui/chartview.h"
#include "graph/cursormeasure.h"
#include "graph/ui/cursortool.h"

using namespace kelvor;

namespace {

constexpr int kSamples = 100'000;
constexpr double kT0 = 46000.5;

struct Run {
    std::vector<double> x = std::vector<double>(kSamples);
    std::vector<float> y[4];
    CursorSeries series[4];
    Run()
    {
        for (int i = 0; i < kSamples; ++i)
            x[size_t(i)] = kT0 + i / 86400.0;
        for (int c = 0; c < 4; ++c) {
            y[c].resize(kSamples);
            for (int i = 0; i < kSamples; ++i)
                y[c][size_t(i)] = (i % 997 == 0) ? 9999.0f : float(20.0 + 10.0 * std::sin(i * 0.001 + c));
            series[c].update(x.data(), y[c].data(), kSamples);
            series[c].setThreshold(25.0);
        }
    }
};

// What a measurement without the prefix sums has to do: look at every sample.
double rescan(const Run& run, int lo, int hi)
{
    double acc = 0.0;
    for (int c = 0; c < 4; ++c) {
        double sum = 0, sq = 0, mn = 1e30, mx = -1e30, above = 0;
        int n = 0;
        for (int i = lo; i <= hi; ++i) {
            const float v = run.y[c][size_t(i)];
            if (!(v > -3000 && v < 3000))
                continue;
            ++n, sum += v, sq += double(v) * v;
            mn = std::min(mn, double(v)), mx = std::max(mx, double(v));
            if (v > 25.0f)
                above += 1.0;
        }
        acc += sum + sq + mn + mx + above + n;
    }
    return acc;
}

void BM_CursorStatistics4x100k(benchmark::State& state)
{
    static const Run run;
    std::mt19937 rng(3);
    std::vector<std::pair<int, int>> cursors(256);
    for (auto& [a, b] : cursors) {
        a = int(rng() % 1000);  // nearly the whole run between the cursors
        b = kSamples - 1 - int(rng() % 1000);
    }
    size_t k = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const auto& [a, b] = cursors[k++ % cursors.size()];
        for (const CursorSeries& s : run.series)
            benchmark::DoNotOptimize(s.measure(run.x[size_t(a)], run.x[size_t(b)]));
    }
    const double queryNs = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() /
                           double(std::max<benchmark::IterationCount>(1, state.iterations()));

    // Anchor: the same cursor pairs rescanned, timed here so both figures share a run.
    const int anchorRounds = 20;
    const auto t0 = std::chrono::steady_clock::now();
    double sink = 0.0;
    for (int r = 0; r < anchorRounds; ++r)
        sink += rescan(run, cursors[size_t(r)].first, cursors[size_t(r)].second);
    benchmark::DoNotOptimize(sink);
    const double rescanNs =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count() / anchorRounds;
    state.counters["rescan_us"] = rescanNs / 1000.0;
    state.counters["query_us"] = queryNs / 1000.0;
    state.counters["ratio_to_rescan"] = queryNs / rescanNs;
}
BENCHMARK(BM_CursorStatistics4x100k)->Unit(benchmark::kMicrosecond);

void fill(ChartModel& c)
{
    c.setSubsets(4);
    c.setPoints(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        c.setXDataII(-1, i, kT0 + i / 86400.0);
        for (int s = 0; s < 4; ++s)
            c.setYData(s, i, float(20.0 + 10.0 * std::sin(i * 0.001 + s) + (i % 7) * 0.1));
    }
    c.setManualScaleControlX(sgManualMinAndMax);
    c.setManualMinX(kT0);
    c.setManualMaxX(kT0 + kSamples / 86400.0);
    for (int s = 0; s < 4; ++s)
        c.setSubsetLabels(s, QStringLiteral("T%1").arg(s + 1));
}

double timedReplot(QCustomPlot* plot)
{
    const auto t0 = std::chrono::steady_clock::now();
    plot->replot();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Two views of one 100k-point chart, one with cursors and strip; each round replots both,
// the second with cursor A moved as a drag does.
void BM_ReplotWhileDraggingCursor(benchmark::State& state)
{
    ChartModel chart;
    fill(chart);
    QWidget plainWindow, cursorWindow;
    ChartView plain(chart, &plainWindow);
    ChartView withCursors(chart, &cursorWindow);
    plainWindow.resize(1200, 600);
    cursorWindow.resize(1200, 700);
    plain.resize(1200, 600);
    withCursors.resize(1200, 600);
    plainWindow.show();
    cursorWindow.show();
    CursorTool cursors(withCursors, &cursorWindow);
    chart.PEactions(sgReinitAndReset);
    cursors.setOn(true);
    cursors.setCursors(kT0 + 0.2, kT0 + 0.8);
    timedReplot(plain.customPlot());
    timedReplot(withCursors.customPlot());

    double plainMs = 0.0, cursorMs = 0.0;
    int k = 0;
    for (auto _ : state) {
        plainMs += timedReplot(plain.customPlot());
        // What a mouse move does: move the cursor, then replot (which rewrites the strip).
        const auto t0 = std::chrono::steady_clock::now();
        cursors.setCursors(kT0 + 0.2 + (k++ % 100) * 1e-3, cursors.cursorB());
        cursorMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        cursorMs += timedReplot(withCursors.customPlot());
    }
    const double n = double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["plain_replot_ms"] = plainMs / n;
    state.counters["cursor_replot_ms"] = cursorMs / n;
    state.counters["ratio_to_plain"] = cursorMs / plainMs;
}
BENCHMARK(BM_ReplotWhileDraggingCursor)->Unit(benchmark::kMillisecond)->Iterations(60)->Repetitions(3);

}  // namespace

int main(int argc, char** argv) { return kelvor::bench::runOffscreen(argc, argv); }

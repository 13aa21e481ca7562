// SPDX-License-Identifier: GPL-3.0-or-later
// Auto Y scale while a run records: the refresh of one more sample with every axis on
// Auto, timed at 100,000 samples against the same refresh at 1,000 samples (constant
// cost per sample gives a ratio near 1), and against the same refreshes with fixed axes
// (the anchor: what Auto adds on top). All figures come from the same run.
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <cmath>
#include <ctime>

#include "benchsupport.h"
#include "chart/ui/chartview.h"

using namespace kelvor;

namespace {

constexpr int kSamples = 100'000;
constexpr double kT0 = 46000.5;
constexpr int kTimed = 4000;  // samples timed at each end

// This thread's processor time in ms: other work on a shared machine does not count.
double threadMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The refreshes of samples [from, from + kTimed) of a chart being filled one by one, in ms
// per sample; the samples before `from` are written without being timed.
double refreshPerSample(bool autoScale, int from)
{
    ChartModel chart;
    chart.setSubsets(4);
    chart.setPoints(kSamples + kTimed);
    chart.setManualScaleControlX(sgManualMinAndMax);
    chart.setManualMinX(kT0);
    chart.setManualMaxX(kT0 + (kSamples + kTimed) / 86400.0);
    for (int a = 0; a < 4; ++a) {
        chart.setMultiAxesSubsets(a, 1);
        chart.setWorkingAxis(a);
        chart.setManualScaleControlY(sgManualMinAndMax);
        chart.setManualMinY(-10);
        chart.setManualMaxY(50);
    }
    chart.setWorkingAxis(0);
    chart.setAutoScaleY(-1, autoScale);
    QWidget window;
    ChartView view(chart, &window);
    window.resize(1200, 600);
    view.resize(1200, 600);
    window.show();
    auto write = [&](int i) {
        chart.setXDataII(-1, i, kT0 + i / 86400.0);
        for (int s = 0; s < 4; ++s)
            chart.setYData(s, i, float(20.0 + 10.0 * std::sin(i * 0.001 + s) + (i % 7) * 0.1));
    };
    for (int i = 0; i < from; ++i)
        write(i);
    chart.PEactions(sgReinitAndReset);
    const double t0 = threadMs();
    for (int i = from; i < from + kTimed; ++i) {
        write(i);
        chart.PEactions(sgResetImage);
    }
    return (threadMs() - t0) / kTimed;
}

void BM_AutoScaleOnAppend(benchmark::State& state)
{
    double early = 0, late = 0, fixedEarly = 0, fixedLate = 0;
    for (auto _ : state) {
        early += refreshPerSample(true, 1000);
        late += refreshPerSample(true, kSamples);
        fixedEarly += refreshPerSample(false, 1000);
        fixedLate += refreshPerSample(false, kSamples);
    }
    state.counters["auto_1k_us"] = early / double(state.iterations()) * 1000.0;
    state.counters["auto_100k_us"] = late / double(state.iterations()) * 1000.0;
    state.counters["fixed_100k_us"] = fixedLate / double(state.iterations()) * 1000.0;
    state.counters["fixed_1k_us"] = fixedEarly / double(state.iterations()) * 1000.0;
    state.counters["ratio_100k_to_1k"] = late / early;
    // What Auto adds per sample, at 100k against at 1k: constant when it is O(1).
    state.counters["added_ratio_100k_to_1k"] = (late - fixedLate) / (early - fixedEarly);
    state.counters["ratio_auto_to_fixed"] = late / fixedLate;
}
BENCHMARK(BM_AutoScaleOnAppend)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

}  // namespace

int main(int argc, char** argv) { return kelvor::bench::runOffscreen(argc, argv); }

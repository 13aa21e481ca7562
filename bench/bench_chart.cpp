// SPDX-License-Identifier: GPL-3.0-or-later
// The chart view against a bare QCustomPlot fed the same arrays, offscreen at 1200 x 600.
#include <benchmark/benchmark.h>
#include <qcustomplot.h>
#include <QApplication>

#include "benchsupport.h"
#include "chart/chartmodel.h"
#include "chart/ui/chartview.h"

using namespace kelvor;

namespace {

constexpr double kT0 = 46000.5;

void fill(ChartModel& c, int points, int filled, bool split, int subsets = 4)
{
    c.setSubsets(subsets);
    c.setPoints(points);
    for (int i = 0; i < filled; ++i) {
        c.setXDataII(-1, i, kT0 + i / 86400.0);
        for (int s = 0; s < subsets; ++s)
            c.setYData(s, i, float(20.0 + 10.0 * std::sin(i * 0.001 + s) + (i % 7) * 0.1));
    }
    for (int a = 0; a < 4; ++a) {
        if (split) {
            c.setMultiAxesSubsets(a, 1);
            c.setMultiAxesProportions(a, 0.25);
        }
        c.setWorkingAxis(a);
        c.setManualScaleControlY(sgManualMinAndMax);
        c.setManualMinY(-10.0);
        c.setManualMaxY(50.0);
    }
    c.setWorkingAxis(0);
    c.setManualScaleControlX(sgManualMinAndMax);
    c.setManualMinX(kT0);
    c.setManualMaxX(kT0 + points / 86400.0);
    for (int s = 0; s < subsets; ++s)
        c.setSubsetLabels(s, QStringLiteral("T%1").arg(s + 1));
}

// A QCustomPlot with four graphs (or `subsets`) on one or four rects, like the view builds.
struct BarePlot {
    QCustomPlot plot;
    std::vector<QCPGraph*> graphs;
    explicit BarePlot(bool split, int subsets = 4)
    {
        plot.resize(1200, 600);
        plot.plotLayout()->clear();
        auto* margins = new QCPMarginGroup(&plot);
        const int rects = split ? 4 : 1;
        for (int a = 0; a < rects; ++a) {
            auto* r = new QCPAxisRect(&plot);
            plot.plotLayout()->addElement(a, 0, r);
            r->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
            r->axis(QCPAxis::atBottom)->setTicker(QSharedPointer<QCPAxisTickerDateTime>(new QCPAxisTickerDateTime));
        }
        for (int s = 0; s < subsets; ++s) {
            auto* r = plot.axisRect(split ? s : 0);
            QCPGraph* g = plot.addGraph(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
            g->setAdaptiveSampling(true);
            r->axis(QCPAxis::atLeft)->setRange(-10, 50);
            graphs.push_back(g);
        }
        plot.show();
    }
    void feed(const ChartModel& c, int from)
    {
        for (int s = 0; s < int(graphs.size()); ++s) {
            const auto& xs = c.xData(s);
            const auto& ys = c.yData(s);
            QVector<QCPGraphData> d(int(xs.size()) - from);
            for (int i = from; i < int(xs.size()); ++i)
                d[i - from] = QCPGraphData((xs[size_t(i)] - 25569.0) * 86400.0, ys[size_t(i)]);
            if (from == 0)
                graphs[size_t(s)]->data()->set(d, true);
            else
                graphs[size_t(s)]->data()->add(d, true);
            graphs[size_t(s)]->keyAxis()->setRange((xs.front() - 25569.0) * 86400.0, (xs.back() - 25569.0) * 86400.0);
        }
    }
};

void BM_ChartFullRefresh(benchmark::State& state)
{
    const int points = int(state.range(0));
    const bool split = state.range(1) != 0;
    ChartModel c;
    fill(c, points, points, split);
    ChartView view(c);
    view.resize(1200, 600);
    view.show();
    c.PEactions(sgReinitAndReset);
    for (auto _ : state) {
        c.setXDataII(-1, 0, kT0);  // everything counts as rewritten from point 0
        c.PEactions(sgResetImage);
        view.customPlot()->replot();
    }
}
BENCHMARK(BM_ChartFullRefresh)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Args({16000, 0})
    ->Args({16000, 1})
    ->Unit(benchmark::kMillisecond);

void BM_BareFullRefresh(benchmark::State& state)
{
    const int points = int(state.range(0));
    const bool split = state.range(1) != 0;
    ChartModel c;
    fill(c, points, points, split);
    BarePlot bare(split);
    for (auto _ : state) {
        bare.feed(c, 0);
        bare.plot.replot();
    }
}
BENCHMARK(BM_BareFullRefresh)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Args({16000, 0})
    ->Args({16000, 1})
    ->Unit(benchmark::kMillisecond);

// The chart's full refresh and the bare plot's in turns, as a ratio with its spread.
void BM_FullRefreshVsBare(benchmark::State& state)
{
    const int points = int(state.range(0));
    const bool split = state.range(1) != 0;
    ChartModel c;
    fill(c, points, points, split);
    ChartView view(c);
    view.resize(1200, 600);
    view.show();
    c.PEactions(sgReinitAndReset);
    BarePlot bare(split);
    bench::RunPairs(
        state, 5,
        [&] {
            c.setXDataII(-1, 0, kT0);
            c.PEactions(sgResetImage);
            view.customPlot()->replot();
        },
        [&] {
            bare.feed(c, 0);
            bare.plot.replot();
        });
}
BENCHMARK(BM_FullRefreshVsBare)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({100000, 0})
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

// One more sample at about 100,000 points, then refresh and replot.
void BM_ChartAppendAt100k(benchmark::State& state)
{
    ChartModel c;
    const int capacity = 100000 + 200000;
    fill(c, capacity, 100000, false);
    ChartView view(c);
    view.resize(1200, 600);
    view.show();
    c.PEactions(sgReinitAndReset);
    int next = 100000;
    for (auto _ : state) {
        if (next == capacity) {
            state.PauseTiming();
            for (int i = 100000; i < capacity; ++i)
                c.setXDataII(-1, i, 0.0);
            c.PEactions(sgResetImage);
            next = 100000;
            state.ResumeTiming();
        }
        c.setXDataII(-1, next, kT0 + next / 86400.0);
        c.setYData(-1, next, 25.0f);
        ++next;
        c.PEactions(sgResetImage);
        c.PEactions(sgInvalidateImage);
        view.customPlot()->replot();
    }
}
BENCHMARK(BM_ChartAppendAt100k)->Unit(benchmark::kMillisecond);

void BM_BareAppendAt100k(benchmark::State& state)
{
    ChartModel c;
    fill(c, 100000, 100000, false);
    BarePlot bare(false);
    bare.feed(c, 0);
    double key = (kT0 + 100000 / 86400.0 - 25569.0) * 86400.0;
    for (auto _ : state) {
        for (QCPGraph* g : bare.graphs)
            g->addData(key, 25.0);
        key += 1.0;
        bare.plot.replot();
    }
}
BENCHMARK(BM_BareAppendAt100k)->Unit(benchmark::kMillisecond);

// A run of several meters against the four channels of one: 100,000 samples of 4 or 32
// channels on one axis, in turns with the bare plot given the same points (process CPU).
// The full refresh rebuilds the chart from the model; the append adds one sample to every
// channel and replots, as the real-time graph does per sample.
void BM_ChannelsFullRefreshVsBare(benchmark::State& state)
{
    const int subsets = int(state.range(0));
    ChartModel c;
    fill(c, 100000, 100000, false, subsets);
    ChartView view(c);
    view.resize(1200, 600);
    view.show();
    c.PEactions(sgReinitAndReset);
    BarePlot bare(false, subsets);
    bench::RunPairs(
        state, 2,
        [&] {
            c.setXDataII(-1, 0, kT0);
            c.PEactions(sgResetImage);
            view.customPlot()->replot();
        },
        [&] {
            bare.feed(c, 0);
            bare.plot.replot();
        });
}
BENCHMARK(BM_ChannelsFullRefreshVsBare)->Arg(4)->Arg(32)->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_ChannelsAppendVsBare(benchmark::State& state)
{
    const int subsets = int(state.range(0));
    constexpr int kTurn = 5;
    constexpr int kIterations = 30;
    ChartModel c;
    fill(c, 100000 + kTurn * kIterations + 10, 100000, false, subsets);
    ChartView view(c);
    view.resize(1200, 600);
    view.show();
    c.PEactions(sgReinitAndReset);
    ChartModel anchorModel;
    fill(anchorModel, 100000, 100000, false, subsets);
    BarePlot bare(false, subsets);
    bare.feed(anchorModel, 0);
    int next = 100000;
    double key = (kT0 + 100000 / 86400.0 - 25569.0) * 86400.0;
    bench::RunPairs(
        state, kTurn,
        [&] {
            c.setXDataII(-1, next, kT0 + next / 86400.0);
            c.setYData(-1, next, 25.0f);
            ++next;
            c.PEactions(sgResetImage);
            c.PEactions(sgInvalidateImage);
            view.customPlot()->replot();
        },
        [&] {
            for (QCPGraph* g : bare.graphs)
                g->addData(key, 25.0);
            key += 1.0;
            bare.plot.replot();
        });
}
BENCHMARK(BM_ChannelsAppendVsBare)->Arg(4)->Arg(32)->Iterations(30)->Unit(benchmark::kMillisecond);

void BM_StoreAndLoadState(benchmark::State& state)
{
    ChartModel c;
    fill(c, 100000, 100000, true);
    ChartModel target;
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray block = c.StoreState();
        bytes = block.size();
        if (!target.LoadState(block).ok())
            state.SkipWithError("load failed");
    }
    // A graph file is the block plus its 4-byte length.
    state.counters["graph_file_bytes"] = double(bytes + 4);
}
BENCHMARK(BM_StoreAndLoadState)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return kelvor::bench::runOffscreen(argc, argv); }

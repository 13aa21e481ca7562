// SPDX-License-Identifier: GPL-3.0-or-later
// One real-time sample appended and drawn, early in a run and near the end of a 99,999
// record run, beside a bare QCustomPlot doing the same. Offscreen, window 1175 x 612.
#include <benchmark/benchmark.h>
#include <qcustomplot.h>
#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <fstream>
#include <memory>

#include "base/clock.h"
#include "benchsupport.h"
#include "chart/ui/chartview.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/tfrmgraph.h"
#include "program/program.h"
#include "program/prompts.h"

using namespace kelvor;

namespace {

class NoMeter final : public MeterDevice {
public:
    int OpenLink(std::uint16_t, std::uint16_t) override { return kLinkFailed; }
    int SetLinkTimeouts(int, int) override { return kLinkFailed; }
    int WriteFrame(const std::uint8_t*, int) override { return kLinkFailed; }
    int WriteBlock(const std::uint8_t*, int) override { return kLinkFailed; }
    int SyncLink() override { return kLinkFailed; }
    int ReadReply(std::uint8_t*, int) override { return kLinkFailed; }
    int CloseLink() override { return kLinkOk; }
    int GetSerialText(char*, int) override { return kLinkFailed; }
};

double residentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0.0;
}

float valueOf(int i, int c) { return float(20.0 + 10.0 * std::sin(i * 0.01 + c) + (i % 7) * 0.1); }

// A real-time window in the middle of a run that has taken `taken` samples, 2 s apart.
struct Run {
    QTemporaryDir dir;
    ManualClock clock;
    bench::AnsweringPrompts prompts;
    Program program{std::make_unique<NoMeter>(), clock, prompts, dir.path()};
    TfrmGraph* window = nullptr;
    double t = 0.0;
    int next = 0;
    std::uint8_t flags = 0;

    Run(int taken, int room, std::uint8_t channelFlags = 0) : flags(channelFlags)
    {
        prompts.answer = QMessageBox::No;  // no save prompt is ever answered with a dialog
        prompts.dialogResult = QDialog::Rejected;
        window = OpenRealTimeGraph(program);
        window->resize(1175, 612);
        window->show();
        QApplication::processEvents();
        window->realTimeView()->prepareRun(taken + room, false);
        SessionSettings run;
        run.rateSeconds = 2;
        run.recordCount = taken + room;
        run.sampleFirstReading = true;
        program.session.start(run);
        t = clock.nowDays();
        for (; next < taken; ++next)
            append();
        drawNow();
    }
    ~Run() { delete window; }
    // A due sample of a monitor tick: the session takes it, the window draws it.
    void append()
    {
        t += 2.0 / 86400.0;
        const CycleSample sample{
            QDateTime(), t, flags, {valueOf(next, 0), valueOf(next, 1), valueOf(next, 2), valueOf(next, 3)}, false};
        program.session.takeSample(0, sample);
    }
    void drawNow() { window->view().customPlot()->replot(QCustomPlot::rpImmediateRefresh); }
};

constexpr int kIterations = 300;

void BM_RealTimeAppend(benchmark::State& state, bool draw, std::uint8_t flags)
{
    const int taken = int(state.range(0));
    Run run(taken, kIterations + 10, flags);
    for (auto _ : state) {
        run.append();
        ++run.next;
        if (draw)
            run.drawNow();
    }
    state.counters["samples"] = double(run.program.session.sampleCount());
    state.counters["RSS_MB"] = residentMegabytes();
}

// The same four graphs on four axis rects, fed straight into QCustomPlot.
struct BarePlot {
    QCustomPlot plot;
    std::vector<QCPGraph*> graphs;
    double key = 1.7e9;
    int i = 0;

    explicit BarePlot(int taken)
    {
        plot.resize(1175, 450);
        plot.plotLayout()->clear();
        auto* margins = new QCPMarginGroup(&plot);
        for (int a = 0; a < 4; ++a) {
            auto* r = new QCPAxisRect(&plot);
            plot.plotLayout()->addElement(a, 0, r);
            r->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
            r->axis(QCPAxis::atBottom)->setTicker(QSharedPointer<QCPAxisTickerDateTime>(new QCPAxisTickerDateTime));
            r->axis(QCPAxis::atLeft)->setRange(-10, 50);
            QCPGraph* g = plot.addGraph(r->axis(QCPAxis::atBottom), r->axis(QCPAxis::atLeft));
            g->setAdaptiveSampling(true);
            graphs.push_back(g);
        }
        plot.show();
        // Shown on the screen like the real-time window (Run), so that each replot puts its
        // picture into the window as that one's does, rather than stopping at its buffer.
        QApplication::processEvents();
        while (i < taken)
            add();
        for (auto& g : graphs)
            g->keyAxis()->setRange(1.7e9, key + 100.0);
    }
    void add()
    {
        key += 2.0;
        for (int c = 0; c < 4; ++c)
            graphs[size_t(c)]->addData(key, valueOf(i, c));
        ++i;
    }
    void step()
    {
        add();
        plot.replot(QCustomPlot::rpImmediateRefresh);
    }
};

void BM_BareQCustomPlot(benchmark::State& state)
{
    BarePlot bare(int(state.range(0)));
    for (auto _ : state)
        bare.step();
}

// The real-time window and the bare plot in turns, as a ratio with its spread.
constexpr int kPairs = 60;
constexpr int kPairBlock = 5;
void BM_RealTimeVsBare(benchmark::State& state)
{
    const int taken = int(state.range(0));
    Run run(taken, kPairs * kPairBlock + 10);
    BarePlot bare(taken);
    bench::RunPairs(
        state, kPairBlock,
        [&] {
            run.append();
            ++run.next;
            run.drawNow();
        },
        [&] { bare.step(); });
}

}  // namespace

BENCHMARK_CAPTURE(BM_RealTimeAppend, refresh_only, false, 0)
    ->Arg(1000)
    ->Arg(99999)
    ->Iterations(kIterations)
    ->Unit(benchmark::kMicrosecond);
// T4 unplugged ("----") for the whole run: a channel of gaps only.
BENCHMARK_CAPTURE(BM_RealTimeAppend, refresh_only_t4_gaps, false, 0x80)
    ->Arg(1000)
    ->Arg(99999)
    ->Iterations(kIterations)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RealTimeAppend, with_replot, true, 0)
    ->Arg(1000)
    ->Arg(99999)
    ->Iterations(kIterations)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareQCustomPlot)->Arg(1000)->Arg(99999)->Iterations(kIterations)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RealTimeVsBare)->Arg(1000)->Arg(99999)->Iterations(kPairs)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) { return kelvor::bench::runOffscreen(argc, argv); }

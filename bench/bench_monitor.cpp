// SPDX-License-Identifier: GPL-3.0-or-later
// One monitor tick over the simulated meter: live read, decode and panel redraw,
// with and without letting the panel paint what changed.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/ui/monitorloop.h"
#include "base/clock.h"
#include "benchsupport.h"
#include "meter/choice/devicechoice.h"
#include "panel/ui/digitimages.h"
#include "panel/ui/tfrmpanel.h"
#include "program/program.h"
#include "program/prompts.h"

using namespace kelvor;

namespace {

class SilentView final : public MonitorView {
public:
    void meterFound() override {}
    void meterLost() override {}
    void probeFailed(const QString&) override {}
    void readingsStopped() override {}
    void readingsResumed() override {}
    TfrmPanel* panel() const override { return shown; }
    TfrmPanel* shown = nullptr;
};

struct Rig {
    ManualClock clock;
    QtPrompts prompts;
    SilentView view;
    std::unique_ptr<Program> program;
    std::unique_ptr<MonitorLoop> loop;
    std::unique_ptr<TfrmPanel> panel;

    Rig()
    {
        QString error;
        program = std::make_unique<Program>(createSimDevice(QString(), clock, &error), clock, prompts, QString());
        program->digits = std::make_shared<const DigitImages>(loadDigitImages());
        loop = std::make_unique<MonitorLoop>(*program, view);
        panel = std::make_unique<TfrmPanel>(program->meterAccess(), program->digits.get());
        view.shown = panel.get();
        panel->show();
        QApplication::processEvents();
        tick();  // connect
    }
    void tick()
    {
        clock.advanceMs(200);
        loop->MainTimerTimer();
    }
};

void BM_MonitorTick(benchmark::State& state)
{
    Rig rig;
    for (auto _ : state)
        rig.tick();
    state.counters["connected"] = rig.program->monitor.Connected;
}
BENCHMARK(BM_MonitorTick)->Unit(benchmark::kMicrosecond);

void BM_MonitorTickAndPaint(benchmark::State& state)
{
    Rig rig;
    for (auto _ : state) {
        rig.tick();
        QApplication::processEvents();  // the panel repaints what the tick changed
    }
}
BENCHMARK(BM_MonitorTickAndPaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return kelvor::bench::runOffscreen(argc, argv); }

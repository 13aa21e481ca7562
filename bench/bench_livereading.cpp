// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include "base/clock.h"
#include "meter/livereading.h"
#include "meter/meterlink.h"
#include "meter/sim/simdevice.h"

using namespace kelvor;

namespace {
void BM_DecodeLiveReading(benchmark::State& state)
{
    ManualClock clock;
    SimMeter meter(clock);
    meter.pressKey('C');
    const auto reply = meter.liveReply();
    LiveReading out;
    for (auto _ : state) {
        DecodeLiveReading(reply.data(), out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_DecodeLiveReading);

// One monitor-loop tick against the simulated meter: request, reply, decode.
void BM_ReadLiveReadingAndDecodeOverSim(benchmark::State& state)
{
    ManualClock clock;
    SimDevice device(clock);
    MeterLink link(device, clock);
    LiveReading out;
    for (auto _ : state) {
        clock.advanceMs(200);
        if (link.ReadLiveReading())
            DecodeLiveReading(link.replyBuffer().data(), out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ReadLiveReadingAndDecodeOverSim);
}  // namespace

BENCHMARK_MAIN();

// SPDX-License-Identifier: GPL-3.0-or-later
// Checking a run against a profile: a whole run of 1,000,000 samples against ten rules,
// 100,000 against the shipped lead-free reflow example, and one live sample at a time. The anchor is a plain scan of the same samples (the
// highest value of each channel and the largest step), measured in the same run; the
// repetitions give the spread.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "profile/profilechecker.h"
#include "profile/profilereader.h"

using namespace kelvor;

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Run {
    std::vector<double> seconds;
    std::vector<float> values;
};

// A reflow-like hump every 600 s, half a second apart, with a gap now and then.
const Run& run()
{
    static const Run r = [] {
        Run out;
        const int n = 1000000;
        out.seconds.resize(std::size_t(n));
        out.values.resize(4 * std::size_t(n));
        for (int i = 0; i < n; ++i) {
            const double t = i * 0.5;
            out.seconds[std::size_t(i)] = t;
            const double phase = std::fmod(t, 600.0);
            for (int c = 0; c < 4; ++c)
                out.values[4 * std::size_t(i) + std::size_t(c)] =
                    float(25 + 220 * std::sin(phase / 600.0 * 3.14159) + c + 0.1 * (i % 7));
            if (i % 991 == 0)
                out.values[4 * std::size_t(i) + 1] = 9999.0f;
        }
        return out;
    }();
    return r;
}

const Profile& tenRules()
{
    static const Profile p = ParseProfile(R"({"kelvorProfile": 1, "rules": [
        {"kind": "band", "upper": [[0, 100], [200, 260], [600, 260]], "lower": [[0, 0], [300, 150], [400, 0]]},
        {"kind": "band", "channel": "T2", "reference": [[0, 25], [300, 245], [600, 25]], "tolerance": 30},
        {"kind": "rate", "direction": "rise", "maxPerSecond": 3, "windowSeconds": 10},
        {"kind": "rate", "channel": "T3", "direction": "fall", "maxPerSecond": 6},
        {"kind": "dwell", "above": 217, "minSeconds": 60, "maxSeconds": 150},
        {"kind": "dwell", "channel": "T2", "between": [150, 200], "minSeconds": 60},
        {"kind": "peak", "min": 235, "max": 250, "beforeSeconds": 360},
        {"kind": "peak", "channel": "T4", "max": 300},
        {"kind": "cooling", "channel": "T3", "from": 200, "stages": [{"to": 100, "withinMinutes": 5},
                                                                    {"to": 50, "withinMinutes": 5}]},
        {"kind": "band", "channel": "T4", "upper": [[0, 400]]}
    ]})",
                                          QStringLiteral("bench"))
                                 .value();
    return p;
}

double plainScan(const Run& r, std::size_t n)
{
    float highest[4] = {-1e30f, -1e30f, -1e30f, -1e30f};
    float step = 0;
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t c = 0; c < 4; ++c) {
            const float v = r.values[4 * i + c];
            if (v <= 2500.0f && v >= -328.0f)
                highest[c] = std::max(highest[c], v);
        }
        if (i > 0)
            step = std::max(step, r.values[4 * i] - r.values[4 * (i - 1)]);
    }
    return double(highest[0] + highest[1] + highest[2] + highest[3] + step);
}

// The best of five plain scans of the first n samples.
double anchorSeconds(std::size_t n)
{
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = SteadyClock::now();
        benchmark::DoNotOptimize(plainScan(run(), n));
        best = std::min(best, std::chrono::duration<double>(SteadyClock::now() - t0).count());
    }
    return best;
}

double anchorSeconds()
{
    static const double seconds = anchorSeconds(run().seconds.size());
    return seconds;
}

void BM_PlainScan1M(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(plainScan(run(), run().seconds.size()));
}
BENCHMARK(BM_PlainScan1M)->Unit(benchmark::kMillisecond)->Repetitions(5);

// Target: under 100 ms.
void BM_CheckRun1M10Rules(benchmark::State& state)
{
    const Run& r = run();
    const double anchor = anchorSeconds();
    double total = 0;
    for (auto _ : state) {
        const auto t0 = SteadyClock::now();
        ProfileChecker checker(tenRules());
        checker.add(r.seconds.data(), r.values.data(), r.seconds.size());
        checker.finish();
        benchmark::DoNotOptimize(checker.results());
        total += std::chrono::duration<double>(SteadyClock::now() - t0).count();
    }
    const double mean = total / double(state.iterations());
    state.counters["anchor_ms"] = anchor * 1e3;
    state.counters["x_anchor"] = mean / anchor;
    state.counters["x_target"] = mean / 0.1;
}
BENCHMARK(BM_CheckRun1M10Rules)->Unit(benchmark::kMillisecond)->Repetitions(5);

// The shipped reflow example (five rules) over the first 100,000 samples, against a
// plain scan of the same samples measured in the same run.
void BM_CheckRun100kReflow(benchmark::State& state)
{
    static const Profile reflow = ReadProfileFile(QStringLiteral(KELVOR_PROFILES_DIR "/leadfree-reflow.json")).value();
    const Run& r = run();
    const std::size_t n = 100000;
    const double anchor = anchorSeconds(n);
    double total = 0;
    for (auto _ : state) {
        const auto t0 = SteadyClock::now();
        ProfileChecker checker(reflow);
        checker.add(r.seconds.data(), r.values.data(), n);
        checker.finish();
        benchmark::DoNotOptimize(checker.results());
        total += std::chrono::duration<double>(SteadyClock::now() - t0).count();
    }
    const double mean = total / double(state.iterations());
    state.counters["anchor_ms"] = anchor * 1e3;
    state.counters["x_anchor"] = mean / anchor;
}
BENCHMARK(BM_CheckRun100kReflow)->Unit(benchmark::kMillisecond)->Repetitions(5);

// Target: under 50 µs per sample. range(0) 1: every rule's result (with its texts) is
// read after each sample too, as a live view that redraws on every sample would.
void BM_LiveSample10Rules(benchmark::State& state)
{
    const Run& r = run();
    const bool read = state.range(0) != 0;
    ProfileChecker checker(tenRules());
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % r.seconds.size();
        const float* v = &r.values[4 * k];
        checker.add(r.seconds[k] + double(i / r.seconds.size()) * 1e6, {v[0], v[1], v[2], v[3]});
        if (read)
            benchmark::DoNotOptimize(checker.results());
    }
}
BENCHMARK(BM_LiveSample10Rules)->ArgName("read")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Repetitions(5);

}  // namespace

BENCHMARK_MAIN();

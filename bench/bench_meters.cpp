// SPDX-License-Identifier: GPL-3.0-or-later
// Eight simulated meters in one run, polled every 200 ms as the programs poll them: the
// process's CPU for one round (every meter's live read and decode, the session's row,
// the journal's commit to the library), as a share of the 200 ms the round has. Anchor,
// in turns with it: the same eight meters read and decoded with no run, so the ratio is
// what the session and the journal add. Both include the simulated meters answering,
// which a real meter does in its own hardware: the share is an upper bound.
#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <array>
#include <memory>
#include <vector>

#include "base/clock.h"
#include "benchsupport.h"
#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "meter/livereading.h"
#include "meter/meterlink.h"
#include "meter/monitorcycle.h"
#include "meter/sim/simdevice.h"
#include "session/recordingsession.h"
#include "session/sessionjournal.h"

using namespace kelvor;

namespace {

constexpr int kMeters = 8;
constexpr int kCycleMs = 200;

struct EightMeters {
    ManualClock clock;
    QTemporaryDir dir{QDir::currentPath() + QStringLiteral("/bench-meters-XXXXXX")};  // this machine's disk
    std::vector<std::unique_ptr<MeterDevice>> devices;
    std::vector<std::unique_ptr<MeterLink>> links;
    std::array<MonitorState, kMeters> states;
    std::array<LiveReading, kMeters> readings;
    std::vector<std::unique_ptr<MonitorCycle>> cycles;
    std::vector<MonitorCycle*> all;
    RecordingSession session{clock};
    LibraryAccess access{dir.path()};
    std::unique_ptr<SessionJournal> journal;
    bool recording;

    explicit EightMeters(bool record) : recording(record)
    {
        std::vector<SessionSource> sources;
        for (int m = 0; m < kMeters; ++m) {
            QString error;
            devices.push_back(createSimDevice(QStringLiteral("serial=M%1,seed=%2").arg(m).arg(m + 1), clock, &error));
            links.push_back(std::make_unique<MeterLink>(*devices.back(), clock));
            cycles.push_back(std::make_unique<MonitorCycle>(*links.back(), states[size_t(m)], readings[size_t(m)]));
            all.push_back(cycles.back().get());
            sources.push_back({QStringLiteral("QZX"), QStringLiteral("M%1").arg(m)});
        }
        // Until every meter answers (a probe each, then the first readings).
        for (int i = 0; i < 20; ++i)
            round();
        if (!record)
            return;
        session.setSources(sources);
        journal = std::make_unique<SessionJournal>(session, access);
        SessionSettings run;
        run.rateSeconds = 0;  // a row at every reading: the most a run asks of a round
        run.recordCount = 0;
        run.openEnded = true;
        run.keepSamples = false;
        run.sampleFirstReading = true;
        session.start(run);
    }
    void round()
    {
        for (auto& c : cycles)
            c->step();
        if (recording)
            session.takeDueRow(all);
        clock.advanceMs(kCycleMs);
    }
    bool connected() const
    {
        for (const MonitorState& s : states)
            if (!s.Connected)
                return false;
        return true;
    }
};

void BM_EightMetersRound(benchmark::State& state)
{
    EightMeters run(true);
    EightMeters bare(false);
    if (!run.connected() || !bare.connected()) {
        state.SkipWithError("the simulated meters did not all answer");
        return;
    }
    const std::int64_t before = run.session.sampleCount();
    bench::RunPairs(
        state, 25, [&] { run.round(); }, [&] { bare.round(); });
    const double rounds = double(state.iterations()) * 25;
    state.counters["rows_per_round"] = double(run.session.sampleCount() - before) / rounds;
    state.counters["rows_in_library"] = double(run.journal->journal().written());
    state.counters["share_percent"] = state.counters["us"] / (kCycleMs * 1000.0) * 100.0;
    state.counters["anchor_share_percent"] = state.counters["anchor_us"] / (kCycleMs * 1000.0) * 100.0;
}
BENCHMARK(BM_EightMetersRound)->Iterations(40)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

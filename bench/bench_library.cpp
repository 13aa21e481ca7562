// SPDX-License-Identifier: GPL-3.0-or-later
// The library: committing one real-time sample, opening a 1,000,000-sample recording in a
// graph window, listing 10,000 items, storing a full 128 KiB download, and the memory of
// an open-ended run after 1,000,000 samples. Each figure comes with an anchor measured in
// the same run on the same disk:
//   journal        - appending the same sample as a text line to a file, flushed to the OS
//   open / list    - SQLite alone stepping through the same rows (SELECT without our work)
//   download       - writing the same 128 KiB through QSaveFile (the working copy's way)
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <fstream>

#include "benchsupport.h"
#include "graph/ui/preparegraph.h"
#include "graph/ui/realtimecommands.h"
#include "graph/ui/realtimeview.h"
#include "graph/ui/tfrmgraph.h"
#include "library/library.h"
#include "library/libraryaccess.h"
#include "library/runjournal.h"
#include "logger/ui/librarycommands.h"
#include "meter/unavailabledevice.h"
#include "session/sessionjournal.h"

using namespace kelvor;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

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

JournalSample sampleAt(std::int64_t i)
{
    JournalSample s;
    s.time = 46027.5 + double(i) / 86400.0;
    for (int c = 0; c < 4; ++c)
        s.t[std::size_t(c)] = float(20.0 + 10.0 * std::sin(double(i) * 0.001 + c));
    s.flags = i % 5000 == 0 ? 0x01 : 0;
    return s;
}

RecordingHeader header()
{
    RecordingHeader h;
    h.started = 46027.5;
    h.rateSeconds = 1;
    h.recordCount = 2000;
    h.openEnded = true;
    return h;
}

// The anchor's time per call of `f`, in ms (best of a few rounds).
template <typename F>
double anchorMs(int calls, F f)
{
    double best = 1e300;
    for (int round = 0; round < 3; ++round) {
        const auto t0 = Clock::now();
        for (int i = 0; i < calls; ++i)
            f(i);
        best = std::min(best, msSince(t0) / calls);
    }
    return best;
}

void report(benchmark::State& state, double subjectMs, double anchor)
{
    state.counters["ms"] = subjectMs;
    state.counters["anchor_ms"] = anchor;
    state.counters["x_anchor"] = subjectMs / anchor;
}

void BM_JournalSample(benchmark::State& state)
{
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-library-XXXXXX"));  // this machine's disk
    LibraryAccess access(dir.path());
    RunJournal journal(access);
    journal.begin(header());
    std::int64_t i = 0;
    double total = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        journal.append(sampleAt(i++));
        total += msSince(t0);
    }
    QFile text(dir.filePath(QStringLiteral("anchor.txt")));
    text.open(QIODevice::WriteOnly);
    const double anchor = anchorMs(2000, [&text](int k) {
        const JournalSample s = sampleAt(k);
        text.write(QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                       .arg(s.time)
                       .arg(s.t[0])
                       .arg(s.t[1])
                       .arg(s.t[2])
                       .arg(s.t[3])
                       .toLatin1());
        text.flush();
    });
    report(state, total / double(state.iterations()), anchor);
}

// The same through the recording session, as a run hands it on: the session takes the
// reading as a sample and its journal commits it.
void BM_SessionJournalSample(benchmark::State& state)
{
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-library-XXXXXX"));
    LibraryAccess access(dir.path());
    ManualClock clock;
    RecordingSession session(clock);
    SessionJournal journal(session, access);
    SessionSettings run;
    run.rateSeconds = 0;
    run.recordCount = 0;
    run.openEnded = true;
    run.keepSamples = false;
    session.start(run);
    std::int64_t i = 0;
    double total = 0;
    for (auto _ : state) {
        const JournalSample s = sampleAt(i++);
        const CycleSample sample{QDateTime(), s.time, s.flags, s.t, false};
        const auto t0 = Clock::now();
        session.takeSample(0, sample);
        total += msSince(t0);
    }
    QFile text(dir.filePath(QStringLiteral("anchor.txt")));
    text.open(QIODevice::WriteOnly);
    const double anchor = anchorMs(2000, [&text](int k) {
        const JournalSample s = sampleAt(k);
        text.write(QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                       .arg(s.time)
                       .arg(s.t[0])
                       .arg(s.t[1])
                       .arg(s.t[2])
                       .arg(s.t[3])
                       .toLatin1());
        text.flush();
    });
    report(state, total / double(state.iterations()), anchor);
}

struct MillionLibrary {
    QTemporaryDir dir{QDir::currentPath() + QStringLiteral("/bench-library-XXXXXX")};
    std::int64_t id = 0;
    MillionLibrary()
    {
        auto lib = Library::open(dir.path()).library;
        LibraryStatus s;
        id = *lib->beginRecording(header(), &s);
        std::vector<JournalSample> chunk;
        for (std::int64_t first = 0; first < 1'000'000; first += 10'000) {
            chunk.clear();
            for (std::int64_t i = first; i < first + 10'000; ++i)
                chunk.push_back(sampleAt(i));
            lib->appendSamples(id, first, chunk.data(), chunk.size());
        }
        lib->endRecording(id, kStateComplete, {}, {});
    }
};

double bareScanMs(const QString& path, const char* sql, std::int64_t id)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const double ms = anchorMs(1, [&](int) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        sqlite3_bind_int64(st, 1, id);
        double sink = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            sink += sqlite3_column_double(st, 0);
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(sink);
    });
    sqlite3_close(db);
    return ms;
}

// From the library to a graph window on screen, as the Library window's Open does.
void BM_OpenMillionSampleRecording(benchmark::State& state)
{
    MillionLibrary data;
    bench::AnsweringPrompts prompts;
    ManualClock clock;
    Program program{std::make_unique<UnavailableDevice>(QString()), clock, prompts, data.dir.path()};
    InstallLibrary(program);
    double total = 0;
    std::size_t points = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        OpenLibraryItem(program, data.id);
        TfrmGraph* w = program.graph.FileGraph;
        w->resize(1175, 612);
        w->show();
        QApplication::processEvents();
        total += msSince(t0);
        points = w->chart().xData(0).size();
        delete w;
    }
    state.counters["points_per_channel"] = double(points);
    report(state, total / double(state.iterations()),
           bareScanMs(Library::pathIn(data.dir.path()),
                      "SELECT time, flags, t1, t2, t3, t4 FROM samples WHERE recording_id = ? ORDER BY seq", data.id));
}

void BM_ListTenThousandItems(benchmark::State& state)
{
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-library-XXXXXX"));
    auto lib = Library::open(dir.path()).library;
    LibraryStatus s;
    const QByteArray image(4096, '\0');
    for (int i = 0; i < 10'000; ++i) {
        if (i % 10 == 9) {
            lib->storeDownload(image, {}, 46000.0 + i, QStringLiteral("SN"), QStringLiteral("download"), &s);
            continue;
        }
        RecordingHeader h = header();
        h.started += i;
        h.name = QStringLiteral("run %1").arg(i);
        const auto id = *lib->beginRecording(h, &s);
        lib->appendSample(id, 0, sampleAt(i));
    }
    double total = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        QString error;
        benchmark::DoNotOptimize(lib->list(&error));
        total += msSince(t0);
    }
    report(state, total / double(state.iterations()),
           bareScanMs(Library::pathIn(dir.path()), "SELECT created, name, note, kind FROM items WHERE id > ?", 0));
}

void BM_StoreFullDownload(benchmark::State& state)
{
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-library-XXXXXX"));
    auto lib = Library::open(dir.path()).library;
    QByteArray image(128 * 1024, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 7);
    std::vector<DataSet> sets(40);
    double total = 0;
    for (auto _ : state) {
        LibraryStatus s;
        const auto t0 = Clock::now();
        lib->storeDownload(image, sets, 46000.0, QStringLiteral("SN"), QStringLiteral("download"), &s);
        total += msSince(t0);
    }
    const QString copy = dir.filePath(QStringLiteral("copy.tmp"));
    const double anchor = anchorMs(20, [&](int) {
        QSaveFile f(copy);
        f.open(QIODevice::WriteOnly);
        f.write(image);
        f.commit();
    });
    report(state, total / double(state.iterations()), anchor);
}

// A week at 1 s and more: 1,000,000 samples through the real-time run with the journal,
// open-ended over a 2000-record graph. Memory must not grow with the samples.
void BM_OpenEndedMillionSamples(benchmark::State& state)
{
    for (auto _ : state) {
        QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-library-XXXXXX"));
        bench::AnsweringPrompts prompts;
        prompts.answer = QMessageBox::No;
        ManualClock clock;
        Program program{std::make_unique<UnavailableDevice>(QString()), clock, prompts, dir.path()};
        InstallLibrary(program);
        TfrmGraph* w = OpenRealTimeGraph(program);
        w->resize(1175, 612);
        w->show();
        ChartModel& chart = w->chart();
        w->realTimeView()->prepareRun(2000, true);
        program.keepRunsInLibrary();
        SessionSettings run;
        run.rateSeconds = 1;
        run.recordCount = 2000;
        run.openEnded = true;
        run.sampleFirstReading = true;
        program.session.start(run);
        double rssAt100k = 0;
        const auto t0 = Clock::now();
        for (std::int64_t i = 0; i < 1'000'000; ++i) {
            const JournalSample s = sampleAt(i);
            program.session.takeSample(0, CycleSample{QDateTime(), s.time, s.flags, s.t, false});
            if (i % 2000 == 0)
                QApplication::processEvents();
            if (i == 100'000)
                rssAt100k = residentMegabytes();
        }
        state.counters["seconds"] = msSince(t0) / 1000.0;
        state.counters["RSS_MB_at_100k"] = rssAt100k;
        state.counters["RSS_MB_at_1M"] = residentMegabytes();
        state.counters["samples_in_library"] = double(program.journal()->written());
        state.counters["points_in_graph"] = double(chart.Points());
        program.session.stop();
        delete w;
    }
}

}  // namespace

BENCHMARK(BM_JournalSample)->Iterations(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SessionJournalSample)->Iterations(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenMillionSampleRecording)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListTenThousandItems)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreFullDownload)->Iterations(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenEndedMillionSamples)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv) { return kelvor::bench::runOffscreen(argc, argv); }

// SPDX-License-Identifier: GPL-3.0-or-later
// The library: committing one real-time sample, opening a 1,000,000-sample recording in a
// graph window (and one of eight meters, 32 channels, from the library), listing 10,000 items, storing a full 128 KiB download, and the memory of
// an open-ended run after 1,000,000 samples. Each figure comes with an anchor measured in
// the same run on the same disk:
//   journal        - appending the same sample as a text line to a file, flushed to the OS
//   library open   - sqlite3_open of the same file and one SELECT from it
//   open / list    - SQLite alone stepping through the same rows (SELECT without our work)
//   download       - writing the same 128 KiB through QSaveFile (the working copy's way)
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "benchsupport.h"
#include "graph/ui/graphwindowslots.h"
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

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

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

// One sample committed by the journal, against one text line appended and flushed: in
// turns of 250 each on the same disk, so load on a shared machine falls on both. The
// figures are the means over all turns (the journal's include its periodic syncs); the
// spread is that of the turns.
void BM_JournalSample(benchmark::State& state)
{
    constexpr int kTurn = 250;
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-library-XXXXXX"));  // this machine's disk
    LibraryAccess access(dir.path());
    RunJournal journal(access);
    journal.begin(header());
    QFile text(dir.filePath(QStringLiteral("anchor.txt")));
    text.open(QIODevice::WriteOnly);
    std::int64_t i = 0;
    double journalMs = 0, anchorMs = 0, journalCpuMs = 0, anchorCpuMs = 0;
    std::vector<double> turns, anchorTurns;
    for (auto _ : state) {
        auto t0 = Clock::now();
        double c0 = threadCpuMs();
        for (int k = 0; k < kTurn; ++k)
            journal.append(sampleAt(i + k));
        const double j = msSince(t0);
        journalCpuMs += threadCpuMs() - c0;
        c0 = threadCpuMs();
        t0 = Clock::now();
        for (int k = 0; k < kTurn; ++k) {
            const JournalSample s = sampleAt(i + k);
            text.write(QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                           .arg(s.time)
                           .arg(s.t[0])
                           .arg(s.t[1])
                           .arg(s.t[2])
                           .arg(s.t[3])
                           .toLatin1());
            text.flush();
        }
        const double a = msSince(t0);
        anchorCpuMs += threadCpuMs() - c0;
        i += kTurn;
        journalMs += j;
        anchorMs += a;
        turns.push_back(1000.0 * j / kTurn);
        anchorTurns.push_back(1000.0 * a / kTurn);
    }
    const double n = double(i);
    std::sort(turns.begin(), turns.end());
    std::sort(anchorTurns.begin(), anchorTurns.end());
    state.counters["us"] = 1000.0 * journalMs / n;
    state.counters["anchor_us"] = 1000.0 * anchorMs / n;
    state.counters["x_anchor"] = journalMs / anchorMs;
    // Processor time (user and system) of this thread: what another process's load leaves alone.
    state.counters["cpu_us"] = 1000.0 * journalCpuMs / n;
    state.counters["anchor_cpu_us"] = 1000.0 * anchorCpuMs / n;
    state.counters["cpu_x_anchor"] = journalCpuMs / anchorCpuMs;
    state.counters["turn_us_min"] = turns.front();
    state.counters["turn_us_median"] = turns[turns.size() / 2];
    state.counters["turn_us_max"] = turns.back();
    state.counters["anchor_turn_us_median"] = anchorTurns[anchorTurns.size() / 2];
}

// The text-line anchor of the journal, in µs per line, on the same disk as `dir`.
double textLineAnchorUs(const QString& dir)
{
    QFile text(QDir(dir).filePath(QStringLiteral("anchor.txt")));
    text.open(QIODevice::WriteOnly);
    return 1000.0 * anchorMs(2000, [&text](int k) {
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
}

// Writes `n` more samples of one finished recording straight into the library file, in
// one transaction without syncs: a big library made in seconds rather than hours. No
// other connection may be open.
void growLibrary(const QString& path, std::int64_t n)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db,
                 "PRAGMA journal_mode = DELETE; PRAGMA synchronous = OFF; BEGIN;"
                 "INSERT INTO items(kind, created, name) VALUES ('recording', 46000, 'bulk');"
                 "INSERT INTO recordings(id, started, rate_seconds, record_count, state) "
                 "VALUES (last_insert_rowid(), 46000, 1, 0, 'complete');",
                 nullptr, nullptr, nullptr);
    const std::int64_t id = sqlite3_last_insert_rowid(db);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO samples VALUES (?,?,?,0,?,?,?,?)", -1, &ins, nullptr);
    for (std::int64_t i = 0; i < n; ++i) {
        const JournalSample s = sampleAt(i);
        sqlite3_bind_int64(ins, 1, id);
        sqlite3_bind_int64(ins, 2, i);
        sqlite3_bind_double(ins, 3, s.time);
        for (int c = 0; c < 4; ++c)
            sqlite3_bind_double(ins, 4 + c, double(s.t[std::size_t(c)]));
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    const QByteArray done =
        QStringLiteral("UPDATE recordings SET sample_count = %1 WHERE id = %2; COMMIT; PRAGMA journal_mode = WAL;")
            .arg(n)
            .arg(id)
            .toLatin1();
    sqlite3_exec(db, done.constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// The journal's cost per committed sample as the library grows: a run taken when the
// library holds 1, 1,000,000 and 10,000,000 samples (in one earlier recording, which
// the new run's rows follow in the same table), each beside the text-line anchor
// measured just before and after it. Flat means the three agree.
void BM_JournalSampleGrowth(benchmark::State& state)
{
    constexpr int kTimed = 20'000;
    for (auto _ : state) {
        QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bench-library-XXXXXX"));
        Library::open(dir.path());  // the schema
        const QString path = Library::pathIn(dir.path());
        std::int64_t held = 0;
        for (const std::int64_t size : {std::int64_t(1), std::int64_t(1'000'000), std::int64_t(10'000'000)}) {
            growLibrary(path, size - held);
            held = size;
            const double anchorBefore = textLineAnchorUs(dir.path());
            double us = 0, cpuUs = 0;
            {
                LibraryAccess access(dir.path());
                RunJournal journal(access);
                journal.begin(header());
                const auto t0 = Clock::now();
                const double c0 = threadCpuMs();
                for (int i = 0; i < kTimed; ++i)
                    journal.append(sampleAt(i));
                us = 1000.0 * msSince(t0) / kTimed;
                cpuUs = 1000.0 * (threadCpuMs() - c0) / kTimed;
                journal.end({});
            }
            const double anchor = std::min(anchorBefore, textLineAnchorUs(dir.path()));
            const QString at = size == 1           ? QStringLiteral("1")
                               : size == 1'000'000 ? QStringLiteral("1M")
                                                   : QStringLiteral("10M");
            state.counters[("us_at_" + at).toStdString()] = us;
            state.counters[("anchor_us_at_" + at).toStdString()] = anchor;
            state.counters[("x_anchor_at_" + at).toStdString()] = us / anchor;
            state.counters[("cpu_us_at_" + at).toStdString()] = cpuUs;
        }
        state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
    }
}

// Opening the library (what every start and every kelvor-cli command does) in files of
// 1 MB, 100 MB and 1 GB, made once in /tmp by growLibrary and removed afterwards.
// The anchor opens the same file with SQLite alone and reads one row.
void BM_OpenLibraryOfSize(benchmark::State& state)
{
    // Made once for all repetitions; removed when the program ends.
    static std::map<std::int64_t, std::unique_ptr<QTemporaryDir>> made;
    const std::int64_t megabytes = state.range(0);
    auto& slot = made[megabytes];
    if (!slot) {
        slot = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/bench-library-open-XXXXXX"));
        Library::open(slot->path());
        // About 62 bytes a sample on disk.
        growLibrary(Library::pathIn(slot->path()), megabytes * 1'000'000 / 62);
        Library::open(slot->path());  // settles the file (WAL folded in) before timing
    }
    const QTemporaryDir& dir = *slot;
    const QString path = Library::pathIn(dir.path());
    double total = 0, anchor = 0, cpu = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        const double c0 = threadCpuMs();
        {
            auto opened = Library::open(dir.path());
            benchmark::DoNotOptimize(opened.library.get());
            if (!opened.library)
                state.SkipWithError("the library did not open");
        }
        total += msSince(t0);
        cpu += threadCpuMs() - c0;
        t0 = Clock::now();
        {
            sqlite3* db = nullptr;
            sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, "SELECT version FROM schema_version", -1, &st, nullptr);
            sqlite3_step(st);
            sqlite3_finalize(st);
            sqlite3_close(db);
        }
        anchor += msSince(t0);
    }
    const double n = double(state.iterations());
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
    state.counters["cpu_ms"] = cpu / n;
    report(state, total / n, anchor / n);
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
        TfrmGraph* w = NewestFileGraph(program);
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

// A run of eight meters (32 channels) of 1,000,000 sample times, made once.
struct EightMeterMillion {
    QTemporaryDir dir{QDir::currentPath() + QStringLiteral("/bench-library-XXXXXX")};
    std::int64_t id = 0;
    EightMeterMillion()
    {
        auto lib = Library::open(dir.path()).library;
        RecordingHeader h = header();
        h.meterModel = QStringLiteral("QZX");
        h.meterSerial = QStringLiteral("M1");
        for (int m = 1; m <= 8; ++m)
            h.meters.push_back({QStringLiteral("QZX"), QStringLiteral("M%1").arg(m), QString()});
        LibraryStatus s;
        id = *lib->beginRecording(h, &s);
        std::vector<JournalSample> first;
        std::vector<JournalRowRest> rests;
        for (std::int64_t at = 0; at < 1'000'000; at += 10'000) {
            first.clear();
            rests.clear();
            for (std::int64_t i = at; i < at + 10'000; ++i) {
                first.push_back(sampleAt(i));
                JournalRowRest rest;
                for (int m = 1; m < 8; ++m)
                    rest.others.push_back(sampleAt(i + 977 * m));
                rests.push_back(std::move(rest));
            }
            lib->appendRows(id, at, first.data(), rests.data(), first.size());
        }
        lib->endRecording(id, kStateComplete, {}, {});
    }
};

// A 32-channel recording of 1,000,000 sample times read as the Library window's Open reads
// it (the envelope of kGraphPointsFromLibrary points per meter, exact statistics), against
// SQLite stepping the same rows of both tables.
void BM_OpenMillionRows32Channels(benchmark::State& state)
{
    static EightMeterMillion data;  // once per process: writing 8,000,000 rows takes a while
    auto lib = Library::open(data.dir.path()).library;
    double total = 0, cpu = 0;
    std::size_t points = 0, meters = 0;
    const double rss0 = residentMegabytes();
    double rss = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const double c0 = threadCpuMs();
        QString error;
        const auto r = lib->loadRecording(data.id, kGraphPointsFromLibrary, &error);
        total += msSince(t0);
        cpu += threadCpuMs() - c0;
        rss = std::max(rss, residentMegabytes());
        if (!r) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        points = r->samples.size();
        meters = r->otherMeters.size() + 1;
    }
    const double n = double(state.iterations());
    state.counters["points_per_channel"] = double(points);
    state.counters["channels"] = double(4 * meters);
    state.counters["cpu_ms"] = cpu / n;
    state.counters["RSS_MB_added"] = rss - rss0;
    const QString path = Library::pathIn(data.dir.path());
    report(state, total / n,
           bareScanMs(path, "SELECT time, flags, t1, t2, t3, t4 FROM samples WHERE recording_id = ? ORDER BY seq",
                      data.id) +
               bareScanMs(path,
                          "SELECT flags, t1, t2, t3, t4 FROM meter_samples WHERE recording_id = ? ORDER BY seq, meter",
                          data.id));
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

BENCHMARK(BM_JournalSample)->Iterations(40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SessionJournalSample)->Iterations(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenMillionSampleRecording)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenMillionRows32Channels)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListTenThousandItems)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreFullDownload)->Iterations(50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenEndedMillionSamples)->Iterations(1)->Repetitions(2)->Unit(benchmark::kSecond);
BENCHMARK(BM_JournalSampleGrowth)->Iterations(1)->Repetitions(2)->Unit(benchmark::kSecond);
BENCHMARK(BM_OpenLibraryOfSize)->Arg(1)->Arg(100)->Arg(1000)->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return kelvor::bench::runOffscreen(argc, argv); }

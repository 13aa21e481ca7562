// SPDX-License-Identifier: GPL-3.0-or-later
// Data logger costs: decoding a full memory and one of many short data sets, the download's own work per block, and
// text tables of 100,000 lines.
#include <benchmark/benchmark.h>

#include <cstring>

#include <QTemporaryDir>

#include "base/clock.h"
#include "files/texttable.h"
#include "logger/datasetdecoder.h"
#include "logger/memorydownload.h"
#include "meter/meterlink.h"

using namespace kelvor;

namespace {

// A memory image of `sets` data sets of `samples` samples each, padded to the 131,072
// bytes a download fetches. 4 x 4000 is a full memory (16,000 samples, 130,896 bytes
// used); 4000 x 1 is the most headers a memory holds.
QByteArray memoryImage(int sets, int samples)
{
    QByteArray a(0x20000, '\0');
    a[8] = char(sets >> 8);
    a[9] = char(sets);
    int p = 2816;
    for (int k = 0; k < sets; ++k) {
        const int n = samples;
        const char head[18] = {char(0xA5),   0x5A,           0,    0x23, 0x07, 0x15,
                               0x09,         0x30,           0x05, 0,    2,    char(k & 1 ? 0x10 : 0),
                               char(n >> 8), char(n & 0xFF), 0,    0,    0,    0};
        a.replace(p, 18, QByteArray(head, 18));
        for (int j = 0; j < 4 * n; ++j) {
            const int v = (j * 37) % 3000 - 500;
            a[p + 18 + 2 * j] = char(v >> 8);
            a[p + 19 + 2 * j] = char(v & 0xFF);
        }
        p += 20 + 8 * n;
    }
    const int pos = p - 1;
    a[10] = char(pos >> 16);
    a[11] = char(pos >> 8);
    a[12] = char(pos);
    return a;
}

// Args: data sets, samples per set. The per-header cost is what many short recordings
// pay; the one long set is its anchor.
void BM_DecodeImage(benchmark::State& state)
{
    const QByteArray image = memoryImage(int(state.range(0)), int(state.range(1)));
    ManualClock clock;
    DataSetStore store;
    for (auto _ : state) {
        const DataSetDecodeResult r = DecodeDataSets(image, store, clock);
        benchmark::DoNotOptimize(r.decodedCount);
        benchmark::DoNotOptimize(store.values.data());
    }
    if (store.sets.size() != std::size_t(state.range(0)))
        state.SkipWithError("image not decoded whole");
    state.counters["samples"] = double(store.values.size() / 4);
    state.counters["per_set"] = benchmark::Counter(double(state.iterations()) * double(state.range(0)),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DecodeImage)->Args({4, 4000})->Args({1, 16029})->Args({4000, 1})->Unit(benchmark::kMicrosecond);

// A meter that answers every read at once: what is measured is the download's own work.
struct InstantMeter final : MeterDevice {
    int OpenLink(std::uint16_t, std::uint16_t) override { return kLinkOk; }
    int SetLinkTimeouts(int, int) override { return kLinkOk; }
    int WriteFrame(const std::uint8_t*, int) override { return kLinkOk; }
    int WriteBlock(const std::uint8_t*, int) override { return kLinkOk; }
    int SyncLink() override { return kLinkOk; }
    int ReadReply(std::uint8_t* b, int n) override
    {
        std::memset(b, 0x11, std::size_t(n));
        if (n == 36) {
            b[10] = 0x01, b[11] = 0xFF, b[12] = 0xFF;  // the whole memory
            b[34] = 0x04, b[35] = 0x05;
        }
        return kLinkOk;
    }
    int CloseLink() override { return kLinkOk; }
    int GetSerialText(char* b, int) override
    {
        b[0] = 0;
        return kLinkOk;
    }
};

struct CountingListener final : DownloadListener {
    int last = 0;
    void progress(int received) override { last = received; }
};

void BM_DownloadPerBlock(benchmark::State& state)
{
    InstantMeter meter;
    ManualClock clock;
    MeterLink link(meter, clock);
    CountingListener listener;
    MemoryDownload download(link, &listener);
    QByteArray image;
    std::int64_t blocks = 0;
    for (auto _ : state) {
        image.clear();
        // The first "P" waits 100 ms on the clock; a manual clock makes that a spin of
        // a hundred steps, which is part of the cost of one whole download.
        if (download.DownloadMemory(image) != kDownloadOk)
            state.SkipWithError("download failed");
        blocks += image.size() / kBlockBytes;
    }
    state.SetItemsProcessed(blocks);
    state.counters["time_per_block"] = benchmark::Counter(
        double(blocks), benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_DownloadPerBlock)->Unit(benchmark::kMillisecond);

TableRows bigTable()
{
    TableRows rows(100000);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = {QStringLiteral("15.07.2023"),
                   QStringLiteral("09:%1:%2").arg(i / 60 % 60).arg(i % 60),
                   QString::number(20.0 + double(i % 100) / 10, 'f', 1),
                   QStringLiteral("22.0"),
                   QStringLiteral("OL"),
                   QStringLiteral("-3.1")};
    return rows;
}

void BM_WriteTable100k(benchmark::State& state)
{
    const TableRows rows = bigTable();
    QTemporaryDir dir;
    const QString path = dir.filePath("big.txt");
    for (auto _ : state) {
        const TableSaveResult r = SaveTableAsText(rows, path, 1, int(rows.size()), [](int) { return true; });
        if (r.lines != int(rows.size()))
            state.SkipWithError("short write");
    }
}
BENCHMARK(BM_WriteTable100k)->Unit(benchmark::kMillisecond);

void BM_ReadTable100k(benchmark::State& state)
{
    const TableRows rows = bigTable();
    QTemporaryDir dir;
    const QString path = dir.filePath("big.txt");
    SaveTableAsText(rows, path, 1, int(rows.size()));
    for (auto _ : state) {
        const TableReadResult r = ReadTextTable(path, [](int) { return true; });
        if (r.rows.size() != rows.size())
            state.SkipWithError("short read");
    }
}
BENCHMARK(BM_ReadTable100k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

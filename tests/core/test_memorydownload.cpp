// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/clock.h"
#include "fakememorymeter.h"
#include "logger/datasetstore.h"
#include "logger/memorydownload.h"
#include "memoryimage_builder.h"
#include "meter/meterlink.h"

using namespace kelvor;

namespace {
struct Progress : DownloadListener {
    int total = -1, last = 0, calls = 0;
    bool ended = false;
    void begin(int t) override { total = t; }
    void progress(int r) override
    {
        last = r;
        ++calls;
    }
    void end() override { ended = true; }
};

struct CountingMonitor : MonitorHook {
    int pauses = 0;
    int held = 0;  // pauses not yet ended
    void pause() override { ++pauses, ++held; }
    void resume() override { --held; }
    void restart() override {}
};

QByteArray memoryWithPosition(int size, std::uint32_t position)
{
    QByteArray m(size, '\0');
    for (int i = 32; i < size; ++i)
        m[i] = char(i * 7 + i / 256);
    m[10] = char(position >> 16);
    m[11] = char(position >> 8);
    m[12] = char(position);
    return m;
}

struct Rig {
    FakeMemoryMeter meter;
    ManualClock clock;
    MeterLink link{meter, clock};
    QByteArray image;
    Progress progress;
    CountingMonitor monitor;
    MemoryDownload download{link, &progress, &monitor};
    int run() { return download.DownloadMemory(image); }
};
}  // namespace

TEST(MemoryDownload, TotalFromPosition)
{
    EXPECT_EQ(DownloadTotal(0x000AFF), 2816);
    EXPECT_EQ(DownloadTotal(0x001234), 4672);
    EXPECT_EQ(DownloadTotal(0x01FFFF), 131072);
    EXPECT_EQ(DownloadTotal(0x000010), 131072);
    EXPECT_EQ(DownloadTotal(0x0000FF), 256);
    EXPECT_EQ(DownloadTotal(0x020000), 131072);
    EXPECT_EQ(DownloadTotal(0xFFFFFF), 131072);
}

TEST(MemoryDownload, FetchesExactlyTheBlocksOfThePosition)
{
    Rig rig;
    rig.meter.memory = memoryWithPosition(131072, 0x001234);
    rig.link.mainFrame()[4] = 0x77;  // stale byte from an earlier frame
    ASSERT_EQ(rig.run(), kDownloadOk);
    EXPECT_EQ(rig.download.expected(), 4661);
    EXPECT_EQ(rig.progress.total, 4672);
    EXPECT_EQ(rig.progress.last, 4672);
    EXPECT_TRUE(rig.progress.ended);
    EXPECT_EQ(rig.image, rig.meter.memory.left(4672));
    EXPECT_EQ(rig.meter.count('p'), 145);
    EXPECT_EQ(rig.meter.count('q'), 1);
    EXPECT_EQ(rig.meter.count('r'), 0);
    EXPECT_EQ(rig.meter.frames.front(), (std::vector<std::uint8_t>{2, 'P', 0, 1, 0x77, 0, 3}));
    // "p" and "q" keep the stale parameter bytes of the "P" before them.
    EXPECT_EQ(rig.meter.frames.back(), (std::vector<std::uint8_t>{2, 'q', 0, 1, 0x77, 0, 3}));
    EXPECT_EQ(rig.monitor.pauses, 1);
    EXPECT_EQ(rig.monitor.held, 0);
    EXPECT_FALSE(rig.link.busy());

    // Small and oversized positions fetch the whole memory.
    for (std::uint32_t pos : {0x000010u, 0x01FFFFu, 0x7FFFFFu}) {
        Rig r;
        r.meter.memory = memoryWithPosition(131072, pos);
        ASSERT_EQ(r.run(), kDownloadOk);
        EXPECT_EQ(r.image.size(), 131072) << pos;
        EXPECT_EQ(r.image, r.meter.memory);
    }
}

TEST(MemoryDownload, StartFailuresEndAtOnce)
{
    struct Case {
        const char* name;
        std::function<void(FakeMemoryMeter&)> fault;
        int code;
    } cases[] = {
        {"open", [](FakeMemoryMeter& m) { m.failOpen = [] { return true; }; }, kDownloadOpenFailed},
        {"write", [](FakeMemoryMeter& m) { m.failWrite = [](char c, int) { return c == 'P'; }; },
         kDownloadStartWriteFailed},
        {"read", [](FakeMemoryMeter& m) { m.failRead = [](char c, int) { return c == 'P'; }; },
         kDownloadStartReadFailed},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.meter.memory = memoryWithPosition(4096, 0x000FFF);
        c.fault(rig.meter);
        EXPECT_EQ(rig.run(), c.code) << c.name;
        EXPECT_EQ(rig.meter.count('p'), 0) << c.name;
        EXPECT_EQ(rig.progress.total, -1) << c.name;
    }
    // A reply without the download signature.
    struct NoSignature : FakeMemoryMeter {
        int ReadReply(std::uint8_t* b, int n) override
        {
            FakeMemoryMeter::ReadReply(b, n);
            b[35] = 0;
            return kLinkOk;
        }
    } meter;
    meter.memory = memoryWithPosition(4096, 0x000FFF);
    ManualClock clock;
    MeterLink link(meter, clock);
    QByteArray image;
    MemoryDownload d(link);
    EXPECT_EQ(d.DownloadMemory(image), kDownloadBadSignature);
}

TEST(MemoryDownload, LostBlockIsFetchedAgainAfterR)
{
    Rig rig;
    rig.meter.memory = memoryWithPosition(4096, 0x000FFF);
    bool failed = false;
    rig.meter.failRead = [&](char c, int block) {
        if (c == 'p' && block == 7 && !failed)
            return failed = true;
        return false;
    };
    const std::uint32_t t0 = rig.clock.tickMs();
    ASSERT_EQ(rig.run(), kDownloadOk);
    EXPECT_GE(rig.clock.tickMs() - t0, 1000u);
    EXPECT_EQ(rig.image, rig.meter.memory);
    EXPECT_EQ(rig.meter.count('r'), 1);
    EXPECT_EQ(rig.meter.count('A'), 0);  // no resume was needed
    EXPECT_EQ(rig.meter.count('p'), 127 + 1);
}

TEST(MemoryDownload, DamagedBlockReplyIsNeverStored)
{
    Rig rig;
    rig.meter.memory = memoryWithPosition(4096, 0x000FFF);
    int damaged = 0;
    rig.meter.garbleTrailer = [&](char c, int block) { return c == 'p' && block == 9 && damaged++ < 2; };
    ASSERT_EQ(rig.run(), kDownloadOk);
    EXPECT_EQ(rig.image, rig.meter.memory);
    EXPECT_EQ(damaged, 3);  // two damaged replies, then the good one
    EXPECT_EQ(rig.meter.count('r'), 2);
}

TEST(MemoryDownload, DyingLinkResumesThenGivesUp)
{
    // Everything after block 20 fails in the way each case describes.
    struct Case {
        const char* name;
        std::function<void(FakeMemoryMeter&, bool&)> fault;
        int code;
    } cases[] = {
        {"unplugged",
         [](FakeMemoryMeter& m, bool& dead) {
             m.failWrite = [&dead](char c, int b) { return dead || (dead = c == 'p' && b == 20); };
             m.failOpen = [&dead] { return dead; };
         },
         kDownloadSeekFailed},
        {"replies lost",
         [](FakeMemoryMeter& m, bool& dead) {
             m.failRead = [&dead](char c, int b) { return dead || (dead = c == 'p' && b == 20); };
         },
         kDownloadSeekFailed},
        {"blocks lost",
         [](FakeMemoryMeter& m, bool&) {
             m.failRead = [](char c, int b) { return (c == 'p' || c == 'r') && b >= 20; };
         },
         kDownloadResumeReadFailed},
        {"only r answered",
         [](FakeMemoryMeter& m, bool&) { m.failRead = [](char c, int b) { return c == 'p' && b >= 20; }; },
         kDownloadResumeReadFailed},
        {"p refused",
         [](FakeMemoryMeter& m, bool&) { m.failWrite = [](char c, int b) { return c == 'p' && b >= 20; }; },
         kDownloadResumeWriteFailed},
    };
    for (const Case& c : cases) {
        Rig rig;
        bool dead = false;
        rig.meter.memory = memoryWithPosition(4096, 0x000FFF);
        c.fault(rig.meter, dead);
        const std::uint32_t t0 = rig.clock.tickMs();
        EXPECT_EQ(rig.run(), c.code) << c.name;
        EXPECT_EQ(rig.image.size(), 20 * 32) << c.name;
        EXPECT_EQ(rig.meter.count('A'), 5) << c.name;
        // Each attempt waits 300 ms twice; the seeks add their own waits when they open.
        EXPECT_GE(rig.clock.tickMs() - t0, 5u * 600u) << c.name;
        EXPECT_EQ(rig.meter.count('Q'), 0) << c.name;  // the caller sends it
        EXPECT_TRUE(rig.progress.ended) << c.name;
        // Every seek's pause ends however it failed, and the link is free again.
        EXPECT_GT(rig.monitor.pauses, 1) << c.name;
        EXPECT_EQ(rig.monitor.held, 0) << c.name;
        EXPECT_FALSE(rig.link.busy()) << c.name;
    }
}

TEST(MemoryDownload, ResumeRecoversAndCarriesTheSequenceCounter)
{
    Rig rig;
    rig.meter.memory = memoryWithPosition(4096, 0x000FFF);
    int lost = 0;
    // Block 30 is lost four times: in the transfer phase ("p", then "r") and in two
    // resume attempts; the third attempt completes the download.
    rig.meter.failRead = [&](char c, int b) { return (c == 'p' || c == 'r') && b == 30 && ++lost <= 4; };
    rig.link.nextSequence();  // the monitor loop has sent one "A" already
    ASSERT_EQ(rig.run(), kDownloadOk);
    EXPECT_EQ(rig.image, rig.meter.memory);
    std::vector<std::uint8_t> seq;
    for (const auto& f : rig.meter.frames)
        if (f[1] == 'A')
            seq.push_back(f[5]);
    EXPECT_EQ(seq, (std::vector<std::uint8_t>{2, 3, 4}));
    // Both seeks of an attempt ask for the first missing block.
    int seeks = 0;
    for (const auto& f : rig.meter.frames)
        if (f[1] == 'P' && (f[2] << 8 | f[3]) == 30)
            ++seeks;
    EXPECT_EQ(seeks, 6);
}

TEST(LoadDataSets, ErasedMeterWritesNoWorkingCopy)
{
    QTemporaryDir dir;
    const QString wc = dir.filePath("temp/DataSetsTemp.tmp");
    Rig rig;
    rig.meter.memory = memoryWithPosition(2816, 0x000AFF);
    DataSetStore store;
    store.collectionImage = "older";
    bool shown = false;
    const LoadOutcome out = LoadDataSets(rig.download, store, rig.clock, wc, {{}, [&](int) { shown = true; }});
    EXPECT_EQ(out.code, kNoDataSet);
    EXPECT_EQ(rig.meter.count('p'), 87);
    EXPECT_FALSE(QFile::exists(wc));
    EXPECT_FALSE(shown);
    EXPECT_EQ(store.collectionImage, "older");
    EXPECT_TRUE(store.memoryImage.isEmpty());
    EXPECT_EQ(LoadFailureMessage(out.code), "There was not any data recorded in momery of meter !");
    EXPECT_EQ(LoadFailureMessage(1260), "There was error,please try again!   error code=1260");
}

TEST(LoadDataSets, KeepsTheDownloadAsCollectionEvenWhenTheWorkingCopyFails)
{
    TestDataSet a;
    a.values = {1, 2, 3, 4, 5, 6, 7, 8};
    QByteArray mem = buildImage({a, a});
    const int size = DownloadTotal(std::uint32_t(mem.size() - 1));
    mem.resize(4096, '\0');
    QTemporaryDir dir;
    for (bool blocked : {false, true}) {
        Rig rig;
        rig.meter.memory = mem;
        DataSetStore store;
        const QString base = dir.filePath(blocked ? "blocked" : "ok");
        if (blocked) {
            QFile f(base);  // a file where the folder should be
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        const QString wc = base + "/temp/DataSetsTemp.tmp";
        int shown = -1, listed = 0;
        const LoadOutcome out =
            LoadDataSets(rig.download, store, rig.clock, wc,
                         {[&](const DataSetDecodeResult& r) { listed = r.decodedCount; }, [&](int k) { shown = k; }});
        EXPECT_EQ(out.code, kDownloadOk);
        EXPECT_EQ(listed, 2);
        EXPECT_EQ(shown, 0);
        EXPECT_EQ(store.sets.size(), 2u);
        EXPECT_TRUE(store.memoryImage.isEmpty());
        EXPECT_EQ(store.collectionImage, mem.left(size));
        if (blocked) {
            EXPECT_TRUE(out.workingCopyError.contains(QDir::toNativeSeparators(base + "/temp")))
                << out.workingCopyError.toStdString();
        } else {
            EXPECT_TRUE(out.workingCopyError.isEmpty());
            QFile f(wc);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), store.collectionImage);
        }
    }
}

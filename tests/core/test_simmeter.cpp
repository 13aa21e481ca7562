// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <set>

#include "base/clock.h"
#include "meter/choice/devicechoice.h"
#include "meter/lcdencoder.h"
#include "meter/livereading.h"
#include "meter/meterlink.h"
#include "meter/sim/simdevice.h"

using namespace kelvor;

namespace {
// Channels with wide swings, so the tests see large changes in little meter time.
SimMeterConfig lively()
{
    SimMeterConfig c;
    c.channels = {SimChannel::ambient(23.0), SimChannel::heating(24.0, 180.0, 240.0),
                  SimChannel::cooling(90.0, 22.0, 600.0), SimChannel::unplugged()};
    return c;
}

struct Rig {
    explicit Rig(SimMeterConfig config = lively(), SimFaultPlan plan = {})
        : device(clock, config, std::move(plan)), link(device, clock)
    {
    }
    LiveReading read()
    {
        EXPECT_TRUE(link.ReadLiveReading());
        LiveReading lr;
        DecodeLiveReading(link.replyBuffer().data(), lr);
        return lr;
    }
    std::string row(const LiveReading& lr, int r) { return lcdRowText(lcdDisplayOf(lr).rows[std::size_t(r)]); }
    ManualClock clock;
    SimDevice device;
    MeterLink link;
};

SimMeterConfig erased()
{
    SimMeterConfig c = lively();
    c.demoMemory = false;
    return c;
}

int replyTenths(const MeterLink& link, int channel)
{
    const auto& r = link.replyBuffer();
    return std::int16_t(std::uint16_t(r[std::size_t(9 + 2 * channel)] << 8 | r[std::size_t(10 + 2 * channel)]));
}
}  // namespace

TEST(SimMeter, ProbeAndLiveReadingLookLikeTheMeter)
{
    Rig rig;
    ASSERT_TRUE(rig.link.ProbeMeter());
    EXPECT_TRUE(rig.link.replyHasModelCode());
    const LiveReading lr = rig.read();
    EXPECT_NEAR(lr.T[0], 23.0, 1.0);
    EXPECT_NEAR(lr.T[1], 24.0, 1.0);
    EXPECT_NEAR(lr.T[2], 90.0, 1.0);
    EXPECT_TRUE(lr.dashed(3));
    EXPECT_EQ(rig.row(lr, 3), "----");
    EXPECT_TRUE(lr.segment(Segment::T1C));
    EXPECT_TRUE(lr.segment(Segment::TypeK));
    EXPECT_TRUE(lr.segment(Segment::BatFull));
    EXPECT_FALSE(lr.MeterRecording);

    // Over the next minutes T2 heats and T3 cools, and in both units the numbers of
    // the reply are exactly what the LCD rows show.
    float t2 = lr.T[1], t3 = lr.T[2];
    for (int i = 0; i < 400; ++i) {
        if (i == 200) {
            ASSERT_EQ(rig.link.SendKey(Command::CelsiusFahrenheit), 0);
        }
        rig.clock.advanceMs(1500);
        const LiveReading now = rig.read();
        const LcdDisplay d = lcdDisplayOf(now);
        for (int c = 0; c < 3; ++c) {
            int tenths = 0;
            ASSERT_TRUE(lcdRowTenths(d.rows[std::size_t(c)], tenths)) << lcdRowText(d.rows[std::size_t(c)]);
            EXPECT_EQ(tenths, replyTenths(rig.link, c)) << "reading " << i << " channel " << c;
        }
    }
    const LiveReading last = rig.read();
    EXPECT_GT(last.T[1], t2 + 100.0f);
    EXPECT_LT(last.T[2], t3 - 30.0f);
}

TEST(SimMeter, KeysChangeWhatTheMeterShows)
{
    Rig rig;
    rig.clock.advanceMs(30000);

    // HOLD freezes the display and the numbers while T2 keeps heating.
    ASSERT_EQ(rig.link.SendKey(Command::Hold), 0);
    const LiveReading held = rig.read();
    rig.clock.advanceMs(60000);
    const LiveReading later = rig.read();
    EXPECT_TRUE(later.segment(Segment::Hold));
    EXPECT_EQ(later.Glyphs, held.Glyphs);
    EXPECT_EQ(later.T, held.T);
    ASSERT_EQ(rig.link.SendKey(Command::Hold), 0);
    const LiveReading released = rig.read();
    EXPECT_FALSE(released.segment(Segment::Hold));
    EXPECT_GT(released.T[1], held.T[1] + 5.0f);

    // C/F: the marks and the meter's digits change, the decoded numbers stay in C.
    ASSERT_EQ(rig.link.SendKey(Command::CelsiusFahrenheit), 0);
    const LiveReading f = rig.read();
    EXPECT_TRUE(f.Fahrenheit);
    EXPECT_TRUE(f.segment(Segment::T1F) && f.segment(Segment::T4F) && !f.segment(Segment::T1C));
    EXPECT_NEAR(f.T[0], released.T[0], 0.3);
    EXPECT_NE(rig.row(f, 0), rig.row(released, 0));
    ASSERT_EQ(rig.link.SendKey(Command::CelsiusFahrenheit), 0);
    EXPECT_FALSE(rig.read().Fahrenheit);

    // MAX/MIN/AVG: first press records with all three blinking, then MAX, MIN, AVG, round again.
    ASSERT_EQ(rig.link.SendKey(Command::MaxMinAvg), 0);
    LiveReading m = rig.read();
    EXPECT_TRUE(m.MaxMinBlink && m.MaxMinTimed);
    rig.clock.advanceMs(120000);
    struct Step {
        bool max, min, avg;
    };
    const Step steps[] = {{true, false, false}, {false, true, false}, {false, false, true}};
    std::array<float, 3> shown{};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(rig.link.SendKey(Command::MaxMinAvg), 0);
        m = rig.read();
        EXPECT_FALSE(m.MaxMinTimed);
        EXPECT_EQ(m.segment(Segment::Max), steps[i].max);
        EXPECT_EQ(m.segment(Segment::Min), steps[i].min);
        EXPECT_EQ(m.segment(Segment::Avg), steps[i].avg);
        shown[std::size_t(i)] = m.T[1];  // T2 is heating: max > avg > min
    }
    EXPECT_GT(shown[0], shown[2]);
    EXPECT_GT(shown[2], shown[1]);
    ASSERT_EQ(rig.link.SendKey(Command::MaxMinAvg), 0);
    EXPECT_TRUE(rig.read().MaxMinBlink);
    ASSERT_EQ(rig.link.SendKey(Command::MaxMinAvgExit), 0);
    m = rig.read();
    EXPECT_FALSE(m.MaxMinTimed || m.segment(Segment::Max) || m.segment(Segment::Min) || m.segment(Segment::Avg));

    // MEM stores what is shown, RECALL shows it back with the slot number.
    ASSERT_EQ(rig.link.SendKey(Command::Memory), 0);
    const LiveReading stored = rig.read();
    EXPECT_TRUE(stored.segment(Segment::Mem));
    rig.clock.advanceMs(30000);
    ASSERT_EQ(rig.link.SendKey(Command::Recall), 0);
    const LiveReading recalled = rig.read();
    EXPECT_TRUE(recalled.segment(Segment::Recall));
    EXPECT_EQ(recalled.T, stored.T);
    EXPECT_EQ(recalled.Glyphs[kSmallDigit2], 1);
    ASSERT_EQ(rig.link.SendKey(Command::Recall), 0);
    EXPECT_FALSE(rig.read().segment(Segment::Recall));

    ASSERT_EQ(rig.link.SendKey(Command::BackLight), 0);
    EXPECT_TRUE(rig.device.meter().backlight());

    // T1-T2 (settings byte 21, reached here through an EEPROM write): row 2 shows the
    // difference, and the reply's number is what the row shows, in both units.
    const std::array<std::uint8_t, 7> t1t2{2, 'W', 0x00, 0x00, 21, 1, 3};
    std::uint8_t echo[32];
    ASSERT_EQ(rig.device.WriteFrame(t1t2.data(), 7), 0);
    ASSERT_EQ(rig.device.ReadReply(echo, 32), 0);
    for (int unit = 0; unit < 2; ++unit) {
        const LiveReading diff = rig.read();
        EXPECT_TRUE(diff.segment(Segment::T1T2));
        int rowTenths = 0;
        ASSERT_TRUE(lcdRowTenths(lcdDisplayOf(diff).rows[1], rowTenths));
        EXPECT_EQ(rowTenths, replyTenths(rig.link, 1));
        EXPECT_LT(rowTenths, -500);  // T2 is far hotter than the room by now
        ASSERT_EQ(rig.link.SendKey(Command::CelsiusFahrenheit), 0);
    }
}

TEST(SimMeter, RecRecordsADataSetIntoMemory)
{
    Rig rig(erased());
    SimMemory& mem = rig.device.meter().memory();
    EXPECT_EQ(mem.position(), 0x0AFF);
    ASSERT_EQ(rig.link.SendKey(Command::Record), 0);
    LiveReading lr = rig.read();
    EXPECT_TRUE(lr.MeterRecording);
    EXPECT_TRUE(lr.segment(Segment::Rec));
    rig.clock.advanceMs(4000);
    // A new interval does not change the run under way (its header says 0:02).
    const std::array<std::uint8_t, 7> interval{2, 'I', 0x00, 0x10, 0, 0, 3};
    std::uint8_t ack[32];
    ASSERT_EQ(rig.device.WriteFrame(interval.data(), 7), 0);
    ASSERT_EQ(rig.device.ReadReply(ack, 32), 0);
    rig.clock.advanceMs(6000);  // samples at 0, 2, .., 10 s
    ASSERT_EQ(rig.link.SendKey(Command::Record), 0);
    lr = rig.read();
    EXPECT_FALSE(lr.MeterRecording);

    EXPECT_EQ(mem.dataSetCount(), 1);
    const int p = SimMemory::kDataStart;
    EXPECT_EQ(mem.at(p), 0xA5);
    EXPECT_EQ(mem.at(p + 1), 0x5A);
    EXPECT_EQ(mem.at(p + 3), 0x26);  // 2026-01-05 10:00:00, the clock's start, in BCD
    EXPECT_EQ(mem.at(p + 4), 0x01);
    EXPECT_EQ(mem.at(p + 5), 0x05);
    EXPECT_EQ(mem.at(p + 6), 0x10);
    EXPECT_EQ(mem.at(p + 10), 2);
    EXPECT_EQ(mem.at(p + 11), 0x10);  // Celsius, type K
    const int n = mem.at(p + 12) << 8 | mem.at(p + 13);
    EXPECT_EQ(n, 6);
    EXPECT_EQ(mem.position(), p + 19 + 8 * n);
    EXPECT_EQ(mem.at(p + 18 + 8 * n), 0x5A);
    EXPECT_EQ(mem.at(p + 19 + 8 * n), 0xA5);
    const int t1 = std::int16_t(mem.at(p + 18) << 8 | mem.at(p + 19));  // tenths of F
    EXPECT_NEAR(t1 / 10.0, 23.0 * 1.8 + 32.0, 2.0);
    EXPECT_EQ(std::uint16_t(mem.at(p + 24) << 8 | mem.at(p + 25)), 0x8000);  // T4 unplugged

    // A full memory stops the run and blinks REC/FULL.
    rig.device.meter().setChannel(3, SimChannel::ambient(20.0));
    ASSERT_EQ(rig.link.SendKey(Command::Record), 0);
    rig.clock.advanceMs(10000LL * 16100);  // interval 0:10 now
    lr = rig.read();
    EXPECT_FALSE(lr.MeterRecording);
    EXPECT_TRUE(lr.RecFullBlink);
    EXPECT_TRUE(lr.segment(Segment::Full));
    EXPECT_LE(mem.position(), SimMemory::kDataEnd - 1);
    EXPECT_EQ(mem.dataSetCount(), 2);
}

namespace {
// A downloader that follows the meter's download protocol step by step, so the test
// sees what any correct downloader gets.
struct Download {
    std::vector<std::uint8_t> image;
    int code = 0;
};

int seek(MeterLink& link, int n)
{
    MeterDevice& d = link.device();
    auto& f = link.mainFrame();
    auto& r = link.replyBuffer();
    if (d.OpenLink(kMeterVendorId, kMeterProductId))
        return 1002;
    link.WaitMs(100);
    if (d.SetLinkTimeouts(100, 100))
        return 1003;
    link.WaitMs(100);
    f[2] = std::uint8_t(n >> 8);
    f[3] = std::uint8_t(n);
    if (link.writeCommand(f, Command::MemoryStart))
        return 1004;
    d.SyncLink();
    link.WaitMs(100);
    if (d.ReadReply(r.data(), 36))
        return 1005;
    if (r[34] != 4 || r[35] != 5)
        return 1006;
    if (r[32] != f[2] || r[33] != f[3])
        return 1007;
    return 0;
}

Download download(MeterLink& link)
{
    Download out;
    MeterDevice& d = link.device();
    auto& f = link.mainFrame();
    auto& r = link.replyBuffer();
    if (d.OpenLink(kMeterVendorId, kMeterProductId))
        return {{}, 1002};
    if (d.SetLinkTimeouts(100, 100))
        return {{}, 1003};
    f[2] = 0;
    f[3] = 1;
    if (link.writeCommand(f, Command::MemoryStart))
        return {{}, 1004};
    d.SyncLink();
    link.WaitMs(100);
    if (d.ReadReply(r.data(), 36))
        return {{}, 1005};
    if (r[34] != 4 || r[35] != 5)
        return {{}, 1006};
    int total = (r[10] << 16 | r[11] << 8 | r[12]) + 1;
    if (total > 0x20000 || total < 256)
        total = 0x20000;
    total = (total + 31) / 32 * 32;
    out.image.assign(r.begin(), r.begin() + 32);
    int remaining = total - 32;
    auto append = [&] {
        out.image.insert(out.image.end(), r.begin(), r.begin() + 32);
        remaining -= 32;
    };
    int code = 0;
    while (remaining > 0) {
        if (link.writeCommand(f, Command::MemoryNext)) {
            d.CloseLink();
            code = 123;
            break;
        }
        d.SyncLink();
        if (d.ReadReply(r.data(), 36) == 0) {
            append();
            continue;
        }
        link.WaitMs(1000);
        if (link.writeCommand(f, Command::MemoryRetryOrEepromRead)) {
            d.CloseLink();
            code = 123;
            break;
        }
        d.SyncLink();
        if (d.ReadReply(r.data(), 36)) {
            code = 0;
            break;
        }
    }
    if (remaining == 0 && link.writeCommand(f, Command::MemoryEnd))
        code = 125;
    int failed = 0;
    while (int(out.image.size()) < total && failed < 5) {
        code = 0;
        f[5] = link.nextSequence();
        link.writeCommand(f, Command::LiveReading);
        d.SyncLink();
        d.ReadReply(r.data(), 32);
        link.WaitMs(300);
        const int n = int(out.image.size()) / 32;
        seek(link, n);
        link.WaitMs(300);
        if (seek(link, n)) {
            code = 1260;
            ++failed;
            continue;
        }
        while (remaining > 0) {
            if (link.writeCommand(f, Command::MemoryNext)) {
                d.CloseLink();
                code = 1261;
                ++failed;
                break;
            }
            d.SyncLink();
            if (d.ReadReply(r.data(), 36)) {
                code = 1263;
                ++failed;
                break;
            }
            failed = 0;
            append();
        }
        if (code == 0)
            link.writeCommand(f, Command::MemoryEnd);
    }
    out.code = code;
    return out;
}

std::vector<std::uint8_t> expectedImage(const SimMemory& mem)
{
    int total = mem.position() + 1;
    if (total > 0x20000 || total < 256)
        total = 0x20000;
    total = (total + 31) / 32 * 32;
    return {mem.bytes().begin(), mem.bytes().begin() + total};
}
}  // namespace

TEST(SimMeter, DownloadGivesExactlyTheMemory)
{
    struct Case {
        const char* faults;
        bool demo;
    };
    const Case cases[] = {
        {"", true},
        {"", false},                  // erased: 2816 bytes
        {"drop:p@7", true},           // one lost block, recovered by "r"
        {"drop:p@7;drop:r@1", true},  // "r" lost too: resume phase
        {"unplug:p@40+12", true},     // the link dies mid-download and comes back
        {"garble-end:p@3", true},     // a damaged signature is not checked on "p": stored as is
    };
    for (const Case& c : cases) {
        SimMeterConfig config;
        config.demoMemory = c.demo;
        SimFaultPlan plan;
        ASSERT_TRUE(plan.parseRules(QString::fromLatin1(c.faults), nullptr));
        Rig rig(config, plan);
        const Download got = download(rig.link);
        EXPECT_EQ(got.code, 0) << c.faults;
        const auto want = expectedImage(rig.device.meter().memory());
        if (std::string(c.faults).find("garble") != std::string::npos) {
            EXPECT_EQ(got.image.size(), want.size());
            continue;
        }
        EXPECT_EQ(got.image, want) << c.faults;
        EXPECT_FALSE(rig.device.protocol().downloading()) << c.faults;
    }

    // The demo holds several well-formed data sets of a few hundred samples: walking
    // them by their counts meets every marker and ends exactly at the position.
    Rig demo;
    const SimMemory& mem = demo.device.meter().memory();
    ASSERT_GE(mem.dataSetCount(), 4);
    int p = SimMemory::kDataStart;
    std::set<int> units, types, intervals;
    for (int k = 0; k < mem.dataSetCount(); ++k) {
        EXPECT_EQ(mem.at(p), 0xA5);
        EXPECT_EQ(mem.at(p + 1), 0x5A);
        const int n = mem.at(p + 12) << 8 | mem.at(p + 13);
        EXPECT_GE(n, 100);
        units.insert(mem.at(p + 11) & 0x10);
        types.insert(mem.at(p + 11) & 0x0F);
        intervals.insert(mem.at(p + 9) * 60 + mem.at(p + 10));
        p += 20 + 8 * n;
        EXPECT_EQ(mem.at(p - 2), 0x5A);
        EXPECT_EQ(mem.at(p - 1), 0xA5);
    }
    EXPECT_EQ(p - 1, mem.position());
    EXPECT_EQ(units.size(), 2u);
    EXPECT_TRUE(types.count(0) && types.count(1));
    EXPECT_TRUE(intervals.count(2) && intervals.count(90));

    // A meter that goes away for good: five failed resume attempts, the last code shown.
    SimFaultPlan away;
    ASSERT_TRUE(away.parseRules(QStringLiteral("unplug:p@5+*"), nullptr));
    Rig gone(SimMeterConfig{}, away);
    EXPECT_EQ(download(gone.link).code, 1260);
}

TEST(SimMeter, FaultsHitTheExchangesTheyName)
{
    SimFaultPlan plan;
    ASSERT_TRUE(plan.parseRules(
        QStringLiteral("model@2;garble-start@3;garble-end@4;unplug@5+3;drop@9;nak:H@1;echo:W@1"), nullptr));
    plan.latencyMs = 7;
    Rig rig(SimMeterConfig{}, plan);
    const std::uint32_t t0 = rig.clock.tickMs();
    ASSERT_TRUE(rig.link.ProbeMeter());  // 1
    EXPECT_TRUE(rig.link.replyHasModelCode());
    EXPECT_EQ(rig.clock.tickMs() - t0, 7u);  // the latency passed on the injected clock
    ASSERT_TRUE(rig.link.ProbeMeter());      // 2
    EXPECT_FALSE(rig.link.replyHasModelCode());
    ASSERT_TRUE(rig.link.ReadLiveReading());  // 3
    EXPECT_FALSE(rig.link.replyIsLiveReading());
    ASSERT_TRUE(rig.link.ReadLiveReading());  // 4
    EXPECT_FALSE(rig.link.replyIsLiveReading());
    EXPECT_FALSE(rig.link.ReadLiveReading());  // 5: unplugged for 5..7
    EXPECT_FALSE(rig.link.ProbeMeter());       // 6: a failed OpenLink counts
    EXPECT_EQ(rig.device.lastOpenProblem().isEmpty(), false);
    EXPECT_FALSE(rig.link.ProbeMeter());       // 7
    EXPECT_TRUE(rig.link.ProbeMeter());        // 8
    EXPECT_FALSE(rig.link.ReadLiveReading());  // 9: dropped
    EXPECT_TRUE(rig.link.ReadLiveReading());   // 10
    EXPECT_TRUE(rig.link.replyIsLiveReading());
    EXPECT_EQ(rig.link.SendKey(Command::Hold), kKeyNotAcknowledged);
    EXPECT_TRUE(rig.device.meter().hold());  // the meter acted; only its answer was bad
    EXPECT_EQ(rig.link.SendKey(Command::Hold), 0);

    auto& f = rig.link.setupFrame();
    std::array<std::uint8_t, 32> reply{};
    f = {0x02, 'W', 0x00, 0x01, 0x00, 0x42, 0x03};
    ASSERT_EQ(rig.device.WriteFrame(f.data(), 7), 0);
    ASSERT_EQ(rig.device.ReadReply(reply.data(), 32), 0);
    EXPECT_NE(reply[1], 'W');

    // Deterministic random loss for a given seed.
    auto lossPattern = [](std::uint32_t seed) {
        SimFaultPlan p;
        p.lossPercent = 30;
        p.seed = seed;
        Rig r(SimMeterConfig{}, p);
        std::string s;
        for (int i = 0; i < 64; ++i)
            s += r.link.ReadLiveReading() ? '.' : 'x';
        return s;
    };
    EXPECT_EQ(lossPattern(7), lossPattern(7));
    EXPECT_NE(lossPattern(7), lossPattern(8));
    EXPECT_NE(lossPattern(7).find('x'), std::string::npos);
}

TEST(SimMeter, SetupCommandsAndEeprom)
{
    Rig rig;
    SimDevice& d = rig.device;
    auto exchange = [&](std::array<std::uint8_t, 7> frame, int length, const std::uint8_t* block = nullptr) {
        std::vector<std::uint8_t> reply(std::size_t(length), 0);
        EXPECT_EQ(d.WriteFrame(frame.data(), 7), 0);
        if (block) {
            EXPECT_EQ(d.WriteBlock(block, 32), 0);
        }
        const int rc = d.ReadReply(reply.data(), length);
        return rc == 0 ? reply : std::vector<std::uint8_t>{};
    };
    auto ok = [](const std::vector<std::uint8_t>& r) { return r.size() >= 4 && r[2] == 'O' && r[3] == 'K'; };

    // Clock: 2027-03-14 15:09:26, then 65 s of meter time.
    std::uint8_t clock[32] = {0x26, 0x09, 0x15, 0x14, 0x03, 0, 0x27, 0, 'r', 't', 'c'};
    EXPECT_TRUE(ok(exchange({2, 't', 0, 0, 0, 0, 3}, 32, clock)));
    rig.clock.advanceMs(65000);
    auto info = exchange({2, 'X', 0, 0, 0, 0, 3}, 64);
    ASSERT_EQ(info.size(), 64u);
    EXPECT_EQ(info[40], 0x31);
    EXPECT_EQ(info[41], 0x10);
    EXPECT_EQ(info[42], 0x15);
    EXPECT_EQ(info[43], 0x14);
    EXPECT_EQ(info[44], 0x03);
    EXPECT_EQ(info[46], 0x27);
    std::uint8_t badClock[32] = {0x26, 0x61, 0x15, 0x31, 0x02, 0, 0x27};
    EXPECT_FALSE(ok(exchange({2, 't', 0, 0, 0, 0, 3}, 32, badClock)));

    // Interval (BCD) and erase, seen through the information reply.
    EXPECT_TRUE(ok(exchange({2, 'I', 0x01, 0x30, 0, 0, 3}, 32)));
    EXPECT_FALSE(ok(exchange({2, 'I', 0x00, 0x00, 0, 0, 3}, 32)));
    EXPECT_FALSE(ok(exchange({2, 'I', 0x1A, 0x00, 0, 0, 3}, 32)));
    info = exchange({2, 'X', 0, 0, 0, 0, 3}, 64);
    EXPECT_EQ(info[13], 1);
    EXPECT_EQ(info[14], 30);
    EXPECT_GT(info[9], 0);
    EXPECT_TRUE(ok(exchange({2, 'e', 0, 0, 0, 0, 3}, 32)));
    info = exchange({2, 'X', 0, 0, 0, 0, 3}, 64);
    EXPECT_EQ(info[8] << 8 | info[9], 0);
    EXPECT_EQ(info[10] << 16 | info[11] << 8 | info[12], 0x0AFF);
    EXPECT_EQ(info[0], 'A');

    // Settings record: taken except the meter's own bookkeeping; a bad marker is refused.
    std::uint8_t settings[32] = {'A', 'L', 'L', 1, 0x00, 0xD4, 0xFF, 0xFC, 0x12, 0x34, 0x01, 0x00, 0x00, 0, 5, 0x14,
                                 0,   0,   1,   0, 0,    0,    3,    0xFE, 0,    0,    0,    0,    0,    0, 4, 0x99};
    EXPECT_TRUE(ok(exchange({2, 's', 0, 0, 0, 0, 3}, 32, settings)));
    info = exchange({2, 'X', 0, 0, 0, 0, 3}, 64);
    EXPECT_EQ(info[3], 1);
    EXPECT_EQ(info[14], 5);
    EXPECT_EQ(info[18], 1);
    EXPECT_EQ(info[23], 0xFE);
    EXPECT_EQ(info[30], 4);
    EXPECT_EQ(info[8] << 8 | info[9], 0);  // still the meter's count
    EXPECT_EQ(info[10] << 16 | info[11] << 8 | info[12], 0x0AFF);
    EXPECT_EQ(info[31], 105);
    const LiveReading lr = rig.read();
    EXPECT_TRUE(lr.segment(Segment::TypeJ) && lr.segment(Segment::Alarm) && lr.segment(Segment::AutoOff));
    settings[0] = 'X';
    EXPECT_FALSE(ok(exchange({2, 's', 0, 0, 0, 0, 3}, 32, settings)));
    // A block without its command is not answered.
    EXPECT_EQ(d.WriteBlock(settings, 32), 0);
    std::uint8_t buf[32];
    EXPECT_NE(d.ReadReply(buf, 32), 0);

    // Calibration: three bytes per float, lowest byte dropped.
    auto y = exchange({2, 'Y', 0, 0, 0, 0, 3}, 32);
    auto z = exchange({2, 'Z', 0, 0, 0, 0, 3}, 32);
    EXPECT_EQ(y[0], 0x00);
    EXPECT_EQ(y[1], 0x80);
    EXPECT_EQ(y[2], 0x3F);  // gain 1.0
    EXPECT_EQ(y[28], 'O');
    EXPECT_EQ(y[29], 'K');
    EXPECT_EQ(z[30], 'O');
    EXPECT_EQ(z[31], 'K');
    auto value = [](const std::vector<std::uint8_t>& r, int i) {
        const std::uint32_t bits = std::uint32_t(r[std::size_t(3 * i + 2)]) << 24 |
                                   std::uint32_t(r[std::size_t(3 * i + 1)]) << 16 |
                                   std::uint32_t(r[std::size_t(3 * i)]) << 8;
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    };
    EXPECT_FLOAT_EQ(value(y, 5), -0.125f);
    EXPECT_FLOAT_EQ(value(z, 0), 0.5f);

    // EEPROM: write with echo, read back in byte 5; address 70000 is inside 128 KiB.
    auto w = exchange({2, 'W', 0x01, 0x11, 0x70, 0x2C, 3}, 32);
    EXPECT_EQ(w[0], 0x02);
    EXPECT_EQ(w[1], 'W');
    auto r = exchange({2, 'r', 0x01, 0x11, 0x70, 0x00, 3}, 32);
    EXPECT_EQ(r[1], 'r');
    EXPECT_EQ(r[5], 0x2C);
    EXPECT_NE(exchange({2, 'r', 0x02, 0x00, 0x00, 0x00, 3}, 32)[1], 'r');  // beyond the EEPROM
    // Writing the calibration cells changes what "Y" reports.
    exchange({2, 'W', 0x00, 0x00, 0x40, 0x40, 3}, 32);
    EXPECT_FLOAT_EQ(value(exchange({2, 'Y', 0, 0, 0, 0, 3}, 32), 0), 4.0f);  // 0x3F80.. -> 0x4080..

    char serial[32];
    EXPECT_EQ(d.GetSerialText(serial, 32), 0);
    EXPECT_STREQ(serial, "KV4-SIM-00001");
}

TEST(SimMeter, OptionsFromTheCommandLine)
{
    ManualClock clock;
    QString error;
    auto dev =
        createDevice(QStringLiteral("sim:seed=7,faults=unplug@20+10;drop@5,latency=2,ol=2,unplugged=3,memory=erased"),
                     QString(), clock, &error);
    ASSERT_TRUE(dev) << error.toStdString();
    auto* sim = dynamic_cast<SimDevice*>(dev.get());
    ASSERT_TRUE(sim);
    EXPECT_EQ(sim->faults().plan().rules.size(), 2u);
    EXPECT_EQ(sim->faults().plan().latencyMs, 2);
    EXPECT_EQ(sim->meter().memory().position(), 0x0AFF);
    MeterLink link(*dev, clock);
    ASSERT_TRUE(link.ReadLiveReading());
    LiveReading lr;
    DecodeLiveReading(link.replyBuffer().data(), lr);
    EXPECT_TRUE(lr.overRange(1));
    EXPECT_TRUE(lr.dashed(2));
    EXPECT_FALSE(lr.dashed(3));
    EXPECT_TRUE(createDevice(QStringLiteral("sim"), QString(), clock, &error));

    // Meters told apart by serial report it and read temperatures of their own; a seed
    // given with the serial is kept.
    auto reads = [&clock](const QString& options, QString& serial) {
        QString why;
        auto d = createSimDevice(options, clock, &why);
        EXPECT_TRUE(d) << why.toStdString();
        serial = d->connectedSerial();
        MeterLink l(*d, clock);
        EXPECT_TRUE(l.ReadLiveReading());
        LiveReading r;
        DecodeLiveReading(l.replyBuffer().data(), r);
        return r.T;
    };
    QString serialA, serialB, serialSeeded, serialDefault;
    const auto ovenA = reads(QStringLiteral("serial=OVEN-A"), serialA);
    const auto ovenB = reads(QStringLiteral("serial=OVEN-B"), serialB);
    reads(QStringLiteral("serial=KV-9,seed=3"), serialSeeded);
    reads(QStringLiteral("seed=42"), serialDefault);
    EXPECT_EQ(serialA, QStringLiteral("OVEN-A"));
    EXPECT_EQ(serialSeeded, QStringLiteral("KV-9"));
    EXPECT_EQ(serialDefault, QStringLiteral("KV4-SIM-00042"));
    EXPECT_GT(std::abs(ovenA[0] - ovenB[0]), 0.5f) << ovenA[0] << " " << ovenB[0];

    const char* bad[] = {"seed=x",
                         "faults=drop",
                         "faults=fly@3",
                         "faults=drop@0",
                         "faults=drop@2+0",
                         "latency=-1",
                         "loss=101",
                         "ol=5",
                         "colour=red",
                         "seed",
                         "serial=",
                         "serial=a/b",
                         "serial=123456789012345678901234567890123"};
    for (const char* b : bad) {
        error.clear();
        EXPECT_FALSE(createSimDevice(QString::fromLatin1(b), clock, &error)) << b;
        EXPECT_TRUE(error.startsWith(QStringLiteral("simulated meter: "))) << error.toStdString();
    }
}

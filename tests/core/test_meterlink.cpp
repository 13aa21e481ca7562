// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "base/clock.h"
#include "meter/meterlink.h"

using namespace kelvor;

namespace {
// Records every frame and answers reads from a queue (an empty queue fails the read).
struct ScriptDevice : MeterDevice {
    std::vector<std::vector<std::uint8_t>> frames;
    std::deque<std::vector<std::uint8_t>> replies;
    int openResult = 0;
    int OpenLink(std::uint16_t, std::uint16_t) override { return openResult; }
    int SetLinkTimeouts(int, int) override { return 0; }
    int WriteFrame(const std::uint8_t* f, int n) override
    {
        frames.emplace_back(f, f + n);
        return 0;
    }
    int WriteBlock(const std::uint8_t*, int) override { return 0; }
    int SyncLink() override { return 0; }
    int ReadReply(std::uint8_t* b, int n) override
    {
        if (replies.empty())
            return -1;
        auto r = replies.front();
        replies.pop_front();
        r.resize(std::size_t(n));
        std::copy(r.begin(), r.end(), b);
        return 0;
    }
    int CloseLink() override { return 0; }
    int GetSerialText(char* b, int) override
    {
        b[0] = 0;
        return 0;
    }
};
}  // namespace

TEST(MeterLink, SequenceCounterWrapsAndFailedReadLeavesZeros)
{
    ScriptDevice dev;
    ManualClock clock;
    MeterLink link(dev, clock);
    std::vector<std::uint8_t> live(64, 0x11);
    live[0] = 0x02;
    live[63] = 0x03;
    for (int i = 0; i < 256; ++i)
        dev.replies.push_back(live);
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(link.ReadLiveReading());
    EXPECT_EQ(dev.frames[0][5], 1);
    EXPECT_EQ(dev.frames[254][5], 255);
    EXPECT_EQ(dev.frames[255][5], 0);
    EXPECT_FALSE(link.ReadLiveReading());
    EXPECT_EQ(link.replyBuffer()[0], 0);
    EXPECT_EQ(link.failedLiveReads(), 1);
}

TEST(MeterLink, KeyCommandCodes)
{
    ScriptDevice dev;
    ManualClock clock;
    MeterLink link(dev, clock);
    std::vector<std::uint8_t> ok(32, 0);
    ok[2] = 'O';
    ok[3] = 'K';
    dev.replies.push_back(ok);
    EXPECT_EQ(link.SendKey(Command::Record), 0);
    EXPECT_EQ(dev.frames.back(), (std::vector<std::uint8_t>{0x02, 0x45, 0, 0, 0, 0, 0x03}));
    dev.replies.push_back(std::vector<std::uint8_t>(32, 0));
    EXPECT_EQ(link.SendKey(Command::Hold), kKeyNotAcknowledged);
    dev.openResult = -1;  // a failed read outranks the earlier failed open
    EXPECT_EQ(link.SendKey(Command::Hold), kKeyReadFailed);
    dev.replies.push_back(ok);
    EXPECT_EQ(link.SendKey(Command::Hold), kKeyOpenFailed);
}

TEST(MeterLink, WaitZeroStillProcessesEvents)
{
    ScriptDevice dev;
    ManualClock clock;
    MeterLink link(dev, clock);
    EXPECT_GE(link.WaitMs(0), 1u);
    EXPECT_GT(link.WaitMs(100), 100u);
}

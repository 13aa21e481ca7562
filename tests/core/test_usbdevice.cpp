// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <vector>

#include "base/clock.h"
#include "meter/choice/devicechoice.h"
#include "meter/usbdevice.h"

using namespace kelvor;

namespace {

// A meter behind the hidapi calls: input reports come from a queue (an empty
// report in the queue is one time-out), every write is recorded, and the test can
// pull the plug or fail the n-th write.
struct FakeHid : HidApi {
    std::vector<Found> meters{{"/dev/hidraw3", "KV-0042"}};
    OpenError openError = OpenError::None;
    std::deque<std::vector<std::uint8_t>> input;
    std::vector<std::vector<std::uint8_t>> written;
    std::set<void*> handles;
    std::set<std::string> denied;  // paths that answer PermissionDenied
    std::vector<std::string> openedPaths;
    int opens = 0;
    int failWrite = -1;   // index of the write that returns -1
    int shortWrite = -1;  // index of the write that sends only 3 bytes
    bool unplugged = false;
    int handleSeed = 0x100;

    std::vector<Found> enumerate(std::uint16_t, std::uint16_t) override
    {
        return unplugged ? std::vector<Found>{} : meters;
    }
    Handle open(const std::string& path, OpenError* why) override
    {
        openedPaths.push_back(path);
        *why = denied.count(path) ? OpenError::PermissionDenied : openError;
        if (*why != OpenError::None)
            return nullptr;
        ++opens;
        void* h = reinterpret_cast<void*>(std::uintptr_t(handleSeed++));
        handles.insert(h);
        return h;
    }
    void close(Handle h) override { EXPECT_EQ(handles.erase(h), 1u) << "closed an unknown handle"; }
    int write(Handle h, const std::uint8_t* d, std::size_t n) override
    {
        EXPECT_TRUE(handles.count(h));
        const int index = int(written.size());
        written.emplace_back(d, d + n);
        if (unplugged || index == failWrite)
            return -1;
        return index == shortWrite ? 3 : int(n);
    }
    int read(Handle h, std::uint8_t* d, std::size_t n, int) override
    {
        EXPECT_TRUE(handles.count(h));
        if (unplugged)
            return -1;
        if (input.empty())
            return 0;
        std::vector<std::uint8_t> r = input.front();
        input.pop_front();
        const std::size_t k = std::min(n, r.size());
        std::copy_n(r.begin(), k, d);
        return int(k);
    }
};

std::vector<std::uint8_t> counting(int from, int n)
{
    std::vector<std::uint8_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(std::uint8_t(from + i));
    return v;
}

struct UsbFixture : ::testing::Test {
    FakeHid* hid = nullptr;
    std::unique_ptr<UsbDevice> dev;
    const std::uint8_t frame[7] = {0x02, 'K', 0, 0, 0, 0, 0x03};
    void SetUp() override
    {
        auto fake = std::make_unique<FakeHid>();
        hid = fake.get();
        dev = std::make_unique<UsbDevice>(std::move(fake));
    }
    int open() { return dev->OpenLink(kMeterVendorId, kMeterProductId); }
};

}  // namespace

TEST_F(UsbFixture, FrameAndBlockGoOutAsZeroPaddedEightByteReports)
{
    ASSERT_EQ(open(), kLinkOk);
    ASSERT_EQ(dev->WriteFrame(frame, 7), kLinkOk);
    ASSERT_EQ(hid->written.size(), 1u);
    EXPECT_EQ(hid->written[0], (std::vector<std::uint8_t>{0, 0x02, 'K', 0, 0, 0, 0, 0x03, 0}));

    const std::vector<std::uint8_t> block = counting(1, 32);
    ASSERT_EQ(dev->WriteBlock(block.data(), 32), kLinkOk);
    ASSERT_EQ(hid->written.size(), 5u);
    for (int r = 0; r < 4; ++r) {
        std::vector<std::uint8_t> want{0};
        auto part = counting(1 + 8 * r, 8);
        want.insert(want.end(), part.begin(), part.end());
        EXPECT_EQ(hid->written[std::size_t(1 + r)], want) << "report " << r;
    }
}

TEST_F(UsbFixture, ReplyIsAssembledAcrossReports)
{
    struct Case {
        const char* name;
        std::vector<std::vector<std::uint8_t>> reports;
        int length;
        bool ok;
        std::vector<std::uint8_t> want;
    };
    std::vector<Case> cases{
        {"64 from eight reports",
         {counting(0, 8), counting(8, 8), counting(16, 8), counting(24, 8), counting(32, 8), counting(40, 8),
          counting(48, 8), counting(56, 8)},
         64,
         true,
         counting(0, 64)},
        {"36 drops the rest of the fifth report",
         {counting(0, 8), counting(8, 8), counting(16, 8), counting(24, 8), counting(32, 8)},
         36,
         true,
         counting(0, 36)},
        {"short reports contribute what they hold",
         {counting(0, 5), counting(5, 8), counting(13, 8), counting(21, 8), counting(29, 3)},
         32,
         true,
         counting(0, 32)},
        {"time-out in the middle fails", {counting(0, 8), counting(8, 8)}, 32, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(open(), kLinkOk);
        hid->input.assign(c.reports.begin(), c.reports.end());
        std::vector<std::uint8_t> buf(std::size_t(c.length), 0xEE);
        EXPECT_EQ(dev->ReadReply(buf.data(), c.length) == kLinkOk, c.ok);
        if (c.ok) {
            EXPECT_EQ(buf, c.want);
        }
        EXPECT_TRUE(dev->isOpen()) << "a time-out is no reason to drop the meter";
        dev->CloseLink();
    }
    EXPECT_TRUE(hid->handles.empty());
}

TEST_F(UsbFixture, StaleReportsAreDiscardedBeforeANewFrame)
{
    ASSERT_EQ(open(), kLinkOk);
    hid->input = {counting(100, 8), counting(108, 8)};  // a late answer to an abandoned request
    ASSERT_EQ(dev->WriteFrame(frame, 7), kLinkOk);
    hid->input = {counting(0, 8), counting(8, 8), counting(16, 8), counting(24, 8)};
    std::vector<std::uint8_t> buf(32);
    ASSERT_EQ(dev->ReadReply(buf.data(), 32), kLinkOk);
    EXPECT_EQ(buf, counting(0, 32));
}

TEST_F(UsbFixture, OpenLinkOnAnOpenMeterKeepsTheHandle)
{
    ASSERT_EQ(open(), kLinkOk);
    ASSERT_EQ(open(), kLinkOk);
    EXPECT_EQ(hid->opens, 1);
    dev->CloseLink();
    ASSERT_EQ(open(), kLinkOk);
    EXPECT_EQ(hid->opens, 2);
    EXPECT_EQ(hid->handles.size(), 1u);
}

TEST_F(UsbFixture, UnplugFailsCleanlyAndReplugReopens)
{
    ASSERT_EQ(open(), kLinkOk);
    hid->unplugged = true;
    std::vector<std::uint8_t> buf(64);
    EXPECT_NE(dev->WriteFrame(frame, 7), kLinkOk);
    EXPECT_NE(dev->ReadReply(buf.data(), 64), kLinkOk);
    EXPECT_FALSE(dev->isOpen());
    EXPECT_TRUE(hid->handles.empty()) << "the dead handle must be closed";

    EXPECT_NE(open(), kLinkOk);
    EXPECT_TRUE(dev->lastOpenProblem().contains(QLatin1String("no meter found")));

    hid->unplugged = false;
    ASSERT_EQ(open(), kLinkOk);
    EXPECT_TRUE(dev->lastOpenProblem().isEmpty());
    ASSERT_EQ(dev->WriteFrame(frame, 7), kLinkOk);
    hid->input = {counting(0, 8), counting(8, 8), counting(16, 8), counting(24, 8)};
    EXPECT_EQ(dev->ReadReply(buf.data(), 32), kLinkOk);
}

TEST_F(UsbFixture, FailedWrites)
{
    const std::vector<std::uint8_t> block(32, 0x55);
    // A write error drops the handle; a short write fails but keeps it.
    ASSERT_EQ(open(), kLinkOk);
    hid->shortWrite = 0;
    EXPECT_NE(dev->WriteFrame(frame, 7), kLinkOk);
    EXPECT_TRUE(dev->isOpen());
    hid->failWrite = 2;  // the second report of the block
    EXPECT_NE(dev->WriteBlock(block.data(), 32), kLinkOk);
    EXPECT_FALSE(dev->isOpen());
    EXPECT_EQ(hid->written.size(), 3u) << "the block stops at the failed report";
    // Nothing goes out on a closed link.
    EXPECT_NE(dev->WriteFrame(frame, 7), kLinkOk);
    EXPECT_EQ(hid->written.size(), 3u);
}

TEST_F(UsbFixture, OpenProblemsInPlainWords)
{
    hid->openError = HidApi::OpenError::PermissionDenied;
    EXPECT_NE(open(), kLinkOk);
    const QString why = dev->lastOpenProblem();
    EXPECT_TRUE(why.contains(QLatin1String("permission"))) << why.toStdString();
    EXPECT_TRUE(why.contains(QLatin1String("70-kelvor.rules"))) << why.toStdString();
    EXPECT_TRUE(why.contains(QLatin1String("uaccess"))) << why.toStdString();
    EXPECT_TRUE(hid->handles.empty());
}

TEST_F(UsbFixture, SerialTextIsTruncatedAndTerminated)
{
    char text[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_NE(dev->GetSerialText(text, 5), kLinkOk);  // link closed
    EXPECT_EQ(text[0], '\0');
    ASSERT_EQ(open(), kLinkOk);
    ASSERT_EQ(dev->GetSerialText(text, 5), kLinkOk);
    EXPECT_STREQ(text, "KV-0");
}

namespace {

// Two meters on the bus, chosen through --meter as the program parses it.
struct TwoMeters : ::testing::Test {
    FakeHid* hid = nullptr;
    ManualClock clock;
    QString error;

    std::unique_ptr<MeterDevice> choose(const char* choice)
    {
        error.clear();
        return createDevice(QString::fromLatin1(choice), QString(), clock, &error, [this] {
            auto fake = std::make_unique<FakeHid>();
            fake->meters = {{"/dev/hidraw3", "KV-0042"}, {"/dev/hidraw4", "KV-0043"}};
            hid = fake.get();
            return fake;
        });
    }
};

}  // namespace

TEST_F(TwoMeters, SerialChoosesTheMeter)
{
    struct Case {
        const char* choice;
        const char* opened;  // nullptr: OpenLink fails
        const char* serial;
    };
    const Case cases[] = {
        {"usb", "/dev/hidraw3", "KV-0042"},
        {"usb:KV-0043", "/dev/hidraw4", "KV-0043"},
        {"usb:KV-0042", "/dev/hidraw3", "KV-0042"},
        {"usb:kv-0043", nullptr, ""},  // serials are compared exactly
        {"usb:KV-004", nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        auto dev = choose(c.choice);
        ASSERT_TRUE(dev) << error.toStdString();
        const bool opened = dev->OpenLink(kMeterVendorId, kMeterProductId) == kLinkOk;
        EXPECT_EQ(opened, c.opened != nullptr);
        EXPECT_EQ(dev->connectedSerial(), QString::fromLatin1(c.serial));
        if (c.opened) {
            EXPECT_EQ(hid->openedPaths, std::vector<std::string>{c.opened});
            dev->CloseLink();
            EXPECT_EQ(dev->connectedSerial(), QString::fromLatin1(c.serial)) << "kept for the status bar";
        } else {
            EXPECT_TRUE(hid->openedPaths.empty()) << "no other meter may be touched";
            const QString why = dev->lastOpenProblem();
            EXPECT_TRUE(why.contains(QLatin1String("no meter with serial ") + QString::fromLatin1(c.choice).mid(4)))
                << why.toStdString();
            EXPECT_TRUE(why.contains(QLatin1String("KV-0042, KV-0043"))) << why.toStdString();
        }
    }
}

TEST_F(TwoMeters, AMeterThatMayNotBeOpenedDoesNotHideTheNext)
{
    auto dev = choose("usb");
    hid->denied = {"/dev/hidraw3"};
    ASSERT_EQ(dev->OpenLink(kMeterVendorId, kMeterProductId), kLinkOk);
    EXPECT_EQ(dev->connectedSerial(), QStringLiteral("KV-0043"));
    dev->CloseLink();

    // The chosen meter denied: say so, not "no meter found".
    dev = choose("usb:KV-0042");
    hid->denied = {"/dev/hidraw3"};
    EXPECT_NE(dev->OpenLink(kMeterVendorId, kMeterProductId), kLinkOk);
    EXPECT_TRUE(dev->lastOpenProblem().contains(QLatin1String("permission to use it was denied")));
}

TEST_F(TwoMeters, FindMetersListsEveryMeterAndLeavesNoneOpen)
{
    auto dev = choose("usb:KV-0043");  // the choice does not narrow the list
    hid->denied = {"/dev/hidraw4"};
    const std::vector<FoundMeter> found = dev->findMeters();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].path, QStringLiteral("/dev/hidraw3"));
    EXPECT_EQ(found[0].serial, QStringLiteral("KV-0042"));
    EXPECT_TRUE(found[0].problem.isEmpty());
    EXPECT_EQ(found[1].serial, QStringLiteral("KV-0043"));
    EXPECT_EQ(found[1].problem, QStringLiteral("permission denied"));
    EXPECT_TRUE(hid->handles.empty());

    hid->meters.clear();
    EXPECT_TRUE(dev->findMeters().empty());
}

TEST(MeterChoice, BadUsbChoicesAreRefusedBeforeAnythingOpens)
{
    struct Case {
        const char* choice;
        const char* message;  // empty: accepted
    };
    const Case cases[] = {
        {"usb", ""},
        {"", ""},
        {"usb:KV 42", ""},
        {"usb:", "usb:SERIAL"},
        {"usbx", "unknown meter"},
        {"USB:KV-0042", "unknown meter"},
    };
    ManualClock clock;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        const QString why = MeterOptionsError(QString::fromLatin1(c.choice), QString(), false);
        EXPECT_TRUE(QString::fromLatin1(c.message).isEmpty() ? why.isEmpty() : why.contains(QLatin1String(c.message)))
            << why.toStdString();
        if (!why.isEmpty()) {
            QString error;
            EXPECT_FALSE(createDevice(QString::fromLatin1(c.choice), QString(), clock, &error));
            EXPECT_EQ(error, why);
        }
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QtGlobal>
#include <algorithm>
#include <string_view>
#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#endif

#include <QFile>
#include <QTemporaryDir>

#include "base/clock.h"
#include "meter/capturedevice.h"
#include "meter/captureformat.h"
#include "meter/devicefactory.h"
#include "meter/meterlink.h"
#include "meter/replaydevice.h"

using namespace kelvor;
using namespace std::literals;

namespace {

std::unique_ptr<ReplayDevice> replay(const char* text)
{
    std::vector<CaptureEntry> entries;
    QString error;
    EXPECT_TRUE(parseCapture(text, &entries, &error)) << error.toStdString();
    return std::make_unique<ReplayDevice>(std::move(entries));
}

const std::uint8_t kFrameK[7] = {0x02, 'K', 0, 0, 0, 0, 0x03};
const std::uint8_t kFrameA[7] = {0x02, 'A', 0, 0, 0, 1, 0x03};

}  // namespace

TEST(CaptureFormat, MalformedLinesAreNamed)
{
    struct Case {
        std::string_view text;  // may hold a NUL
        const char* message;
    };
    const Case cases[] = {
        {"O OK\nO MAYBE\n", "line 2: expected 'O OK' or 'O FAIL'"},
        {"W 02 4b 00 00 00 03\n", "line 1: a W line needs 7 bytes, found 6"},
        {"# header\n\nB 01\n", "line 3: a B line needs 32 bytes, found 1"},
        {"W 02 4b 00 00 00 00 0x\n", "line 1: '0x' is not a hex byte"},
        {"W 02 4b 00 00 00 00 103\n", "line 1: '103' is not a hex byte"},
        {"R 3 01 02\n", "line 1: 'R 3' needs 3 bytes or FAIL, found 2 bytes"},
        {"R 0 FAIL\n", "line 1: an R line needs a length from 1 to 4096"},
        {"R x 01\n", "line 1: an R line needs a length from 1 to 4096"},
        {"R\n", "line 1: an R line needs a length from 1 to 4096"},
        {"X 1\n", "line 1: unknown line kind 'X' (expected O, W, B or R)"},
        {"B *\n", "line 1: a B line needs 32 bytes, found 1"},
        // Raw bytes of a damaged or foreign file are quoted escaped, never copied.
        {"W 02 4b 00 00 00 00 0\0\n"sv, "line 1: '0\\x00' is not a hex byte"},
        {"\x1b[2J\xc3\xa9 1\n", "line 1: unknown line kind '\\x1b[2J\\xc3\\xa9' (expected O, W, B or R)"},
        {"'\\'0123456789abcdefgh\n",
         "line 1: unknown line kind '\\x27\\x5c\\x270123456789abc...' (expected O, W, B or R)"},
    };
    for (const Case& c : cases) {
        std::vector<CaptureEntry> entries;
        QString error;
        const QByteArray text(c.text.data(), qsizetype(c.text.size()));
        EXPECT_FALSE(parseCapture(text, &entries, &error)) << c.text;
        EXPECT_EQ(error.toStdString(), c.message) << c.text;
        EXPECT_TRUE(entries.empty());
    }
}

TEST(CaptureFormat, CommentsBlanksAndCaseAreTolerated)
{
    std::vector<CaptureEntry> entries;
    QString error;
    ASSERT_TRUE(parseCapture("# a capture\r\n  O OK   # opened\r\n\tW *\nR 2  aB 0f\nR 36 FAIL\n", &entries, &error))
        << error.toStdString();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].kind, CaptureEntry::Kind::Frame);
    EXPECT_TRUE(entries[1].anyFrame);
    EXPECT_EQ(entries[2].bytes, (std::vector<std::uint8_t>{0xAB, 0x0F}));
    EXPECT_EQ(entries[2].line, 4);
    EXPECT_FALSE(entries[3].ok);
    EXPECT_EQ(entries[3].length, 36);
    // What the writer writes, the reader reads back unchanged.
    QByteArray again;
    for (const CaptureEntry& e : entries)
        again += formatCaptureEntry(e);
    EXPECT_EQ(again, "O OK\nW *\nR 2 ab 0f\nR 36 FAIL\n");
}

TEST(Replay, CallsWalkTheFileByKind)
{
    auto dev = replay(
        "O FAIL\n"
        "W 02 4b 00 00 00 00 03\n"
        "R 32 FAIL\n"
        "R 4 01 02 03 04\n"
        "W *\n"
        "R 4 05 06 07 08\n"
        "B 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f\n"
        "W 02 4b 00 00 00 00 03\n");
    std::uint8_t buf[64] = {};
    std::uint8_t block[32];
    for (int i = 0; i < 32; ++i)
        block[i] = std::uint8_t(i);

    EXPECT_NE(dev->OpenLink(kMeterVendorId, kMeterProductId), kLinkOk);  // O FAIL consumed
    EXPECT_EQ(dev->OpenLink(kMeterVendorId, kMeterProductId), kLinkOk);  // next is W: passes
    EXPECT_EQ(dev->SetLinkTimeouts(100, 100), kLinkOk);
    EXPECT_NE(dev->ReadReply(buf, 32), kLinkOk) << "a read meeting a W line fails";
    EXPECT_EQ(dev->WriteFrame(kFrameK, 7), kLinkOk);
    EXPECT_EQ(dev->WriteBlock(block, 32), kLinkOk) << "a block meeting an R line passes";
    EXPECT_NE(dev->ReadReply(buf, 32), kLinkOk);  // R 32 FAIL
    EXPECT_NE(dev->ReadReply(buf, 32), kLinkOk) << "wrong length fails and consumes";
    EXPECT_EQ(dev->WriteFrame(kFrameA, 7), kLinkOk);  // W * matches anything
    ASSERT_EQ(dev->ReadReply(buf, 4), kLinkOk);
    EXPECT_EQ(buf[0], 5);
    EXPECT_EQ(buf[3], 8);
    block[31] = 0xFF;
    EXPECT_NE(dev->WriteBlock(block, 32), kLinkOk) << "a different block fails";
    EXPECT_NE(dev->WriteFrame(kFrameA, 7), kLinkOk) << "a different frame fails";
    EXPECT_TRUE(dev->atEnd());
    // Exhausted: everything fails.
    EXPECT_NE(dev->OpenLink(kMeterVendorId, kMeterProductId), kLinkOk);
    EXPECT_NE(dev->WriteFrame(kFrameK, 7), kLinkOk);
    EXPECT_NE(dev->ReadReply(buf, 4), kLinkOk);
    EXPECT_NE(dev->SyncLink(), kLinkOk);
    EXPECT_NE(dev->CloseLink(), kLinkOk);
}

TEST(Replay, BadFileGivesNullAndTheLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.capture"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("O OK\nW 02 4b\n");
    f.close();
    QString error;
    EXPECT_EQ(createReplayDevice(path, &error), nullptr);
    EXPECT_TRUE(error.contains(QLatin1String("bad.capture"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QLatin1String("line 2"))) << error.toStdString();
    EXPECT_EQ(createReplayDevice(dir.filePath(QStringLiteral("missing")), &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

// A capture taken of any exchange sequence replays to the same results.
TEST(Capture, WhatIsCapturedReplaysTheSame)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.capture"));
    ManualClock clock;

    auto source = replay(
        "O FAIL\n"
        "W *\nR 32 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 51 5a 58 00 00 00 00 00 00\n"
        "W *\nR 64 FAIL\n"
        "W *\nR 64 02 00 00 00 00 00 00 00 00 00 eb 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
        " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03\n");
    struct Results {
        bool probe1, probe2, live1, live2;
        std::array<std::uint8_t, 64> reply;
    };
    auto run = [&clock](MeterDevice& d) {
        MeterLink link(d, clock);
        Results r{};
        r.probe1 = link.ProbeMeter();
        r.probe2 = link.ProbeMeter();
        r.live1 = link.ReadLiveReading();
        r.live2 = link.ReadLiveReading();
        r.reply = link.replyBuffer();
        return r;
    };
    Results first;
    {
        QString error;
        auto captured = wrapWithCapture(std::move(source), path, &error);
        ASSERT_TRUE(captured) << error.toStdString();
        first = run(*captured);
        // Each entry is on disk as soon as its call returns.
        QFile log(path);
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_TRUE(log.readAll().endsWith(" 03\n"));
    }
    EXPECT_FALSE(first.probe1);
    EXPECT_TRUE(first.probe2);
    EXPECT_FALSE(first.live1);
    EXPECT_TRUE(first.live2);

    QString error;
    auto again = createReplayDevice(path, &error);
    ASSERT_TRUE(again) << error.toStdString();
    const Results second = run(*again);
    EXPECT_EQ(second.probe1, first.probe1);
    EXPECT_EQ(second.probe2, first.probe2);
    EXPECT_EQ(second.live1, first.live1);
    EXPECT_EQ(second.live2, first.live2);
    EXPECT_EQ(second.reply, first.reply);
}

TEST(Capture, UnwritableFileIsReported)
{
    QString error;
    auto dev = wrapWithCapture(replay("O OK\n"), QStringLiteral("/nonexistent-dir/x.capture"), &error);
    EXPECT_EQ(dev, nullptr);
    EXPECT_TRUE(error.contains(QLatin1String("x.capture"))) << error.toStdString();
}

#ifdef Q_OS_UNIX
namespace {
// A meter that answers every call, as one that keeps its link open through a long
// download does.
class AnsweringDevice final : public MeterDevice {
public:
    int OpenLink(std::uint16_t, std::uint16_t) override { return kLinkOk; }
    int SetLinkTimeouts(int, int) override { return kLinkOk; }
    int WriteFrame(const std::uint8_t*, int) override { return kLinkOk; }
    int WriteBlock(const std::uint8_t*, int) override { return kLinkOk; }
    int SyncLink() override { return kLinkOk; }
    int ReadReply(std::uint8_t* buffer, int length) override
    {
        std::fill(buffer, buffer + length, std::uint8_t(0x5a));
        return kLinkOk;
    }
    int CloseLink() override { return kLinkOk; }
    int GetSerialText(char* buffer, int) override { return buffer[0] = '\0', kLinkOk; }
};
}  // namespace

// A program killed in the middle of a session (the link open, no CloseLink for a
// while) leaves every exchange that had completed in its capture, each line whole.
TEST(Capture, KilledProgramLeavesEveryCompletedExchange)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("killed.capture"));
    constexpr int kExchanges = 40;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        QString error;
        auto dev = wrapWithCapture(std::make_unique<AnsweringDevice>(), path, &error);
        if (!dev)
            _exit(2);
        std::uint8_t frame[7] = {0x02, 0x70, 0, 0, 0, 0, 0x03};
        std::uint8_t reply[36];
        dev->OpenLink(kMeterVendorId, kMeterProductId);
        for (int i = 0; i < kExchanges; ++i) {
            dev->WriteFrame(frame, 7);
            dev->ReadReply(reply, 36);
        }
        // The link stays open, as in a download waiting for the meter, until the signal.
        if (write(ready[1], "x", 1) != 1)
            _exit(3);
        for (;;)
            pause();
    }
    close(ready[1]);
    char sink = 0;
    const ssize_t n = read(ready[0], &sink, 1);
    close(ready[0]);
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(n, 1) << "the child ended early";
    ASSERT_TRUE(WIFSIGNALED(status));

    QFile log(path);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.endsWith('\n')) << "the last line is cut short";
    std::vector<CaptureEntry> entries;
    QString error;
    ASSERT_TRUE(parseCapture(text, &entries, &error)) << error.toStdString();
    const auto reads = std::count_if(entries.begin(), entries.end(),
                                     [](const CaptureEntry& e) { return e.kind == CaptureEntry::Kind::Read; });
    EXPECT_EQ(reads, kExchanges);
}
#endif

// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup/setupcommands.h"

#include <cstring>

#include "base/clock.h"
#include "meter/exchange.h"
#include "meter/meterlink.h"
#include "meter/replylayout.h"

namespace kelvor {

namespace {

constexpr int kDataMemoryEnd = 130816;
constexpr int kEmptyMemoryPosition = 0x0AFF;  // the data area starts at 0x0B00

std::uint8_t toBcd(int v) { return std::uint8_t((v / 10) << 4 | (v % 10)); }

bool isDigits(const QString& text)
{
    if (text.isEmpty() || text.size() > 2)
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

std::uint8_t bcdFromCharacters(const QString& text)
{
    const int tens = text.size() == 1 ? 0 : text[0].unicode() - '0';
    const int units = text[text.size() - 1].unicode() - '0';
    return std::uint8_t(tens * 16 + units);
}

// What fills the block between the frame and the block write; null for commands
// without a block.
using BlockFiller = void (*)(MeterLink&);

struct CommandRun {
    Command command;
    std::uint8_t p2 = 0, p3 = 0;
    SetupStepCodes codes;
    BlockFiller fillBlock = nullptr;
    std::uint32_t waitBeforeReadMs = 0;  // commands without a block
};

// One attempt: every step runs, the last failing one names the code.
int attempt(MeterLink& link, const CommandRun& run)
{
    Exchange x;
    x.command = run.command;
    x.frame = &link.setupFrame();
    x.fillFrame = [&run](CommandFrame& frame) {
        frame[kFrameParam1] = run.p2;
        frame[kFrameParam2] = run.p3;
    };
    x.reply = link.setupBlock().data();
    x.replyLength = int(link.setupBlock().size());
    x.codes = run.codes;
    if (run.fillBlock)
        x.fillBlock = [&] { run.fillBlock(link); };
    x.waitBeforeReadMs = run.waitBeforeReadMs;
    x.accepted = OkAt(kAckAt);
    return RunExchange(link, x);
}

int runCommand(MeterLink& link, const CommandRun& run)
{
    int code = 0;
    for (int i = 0; i < kSetupAttempts; ++i) {
        code = attempt(link, run);
        if (code == 0)
            break;
    }
    return code;
}

}  // namespace

int ParseRecordingInterval(const QString& minutes, const QString& seconds, IntervalParameter& out)
{
    if (!isDigits(minutes))
        return kIntervalMinutesNotNumber;
    if (!isDigits(seconds))
        return kIntervalSecondsNotNumber;
    const int m = minutes.toInt();
    const int s = seconds.toInt();
    if (m > 60 || s > 60)
        return kIntervalAbove60;
    if (m == 0 && s == 0)
        return kIntervalZero;
    out.minutesBcd = bcdFromCharacters(minutes);
    out.secondsBcd = bcdFromCharacters(seconds);
    return 0;
}

void FillClockBlock(std::array<std::uint8_t, 32>& b, const QDateTime& now)
{
    const QTime t = now.time();
    const QDate d = now.date();
    b[0] = toBcd(t.second());
    b[1] = toBcd(t.minute());
    b[2] = toBcd(t.hour());
    b[3] = toBcd(d.day());
    b[4] = toBcd(d.month());
    b[6] = toBcd(((d.year() % 100) + 100) % 100);
    b[7] = 0;
    b[8] = 'r';
    b[9] = 't';
    b[10] = 'c';
}

void FillDefaultSettings(std::array<std::uint8_t, 32>& b)
{
    b[0] = 'A';
    b[1] = 'L';
    b[2] = 'L';
    b[3] = 0;                                  // alarm off
    b[4] = 0x00, b[5] = 0xD4;                  // high limit 212
    b[6] = 0xFF, b[7] = 0xFC;                  // low limit -4
    b[8] = 0, b[9] = 0;                        // no data sets
    b[10] = 0x00, b[11] = 0x0A, b[12] = 0xFF;  // empty memory
    b[13] = 0, b[14] = 2;                      // interval 0:02
    b[15] = 0x14;
    b[18] = 0;  // type K
    b[21] = 0;  // T1-T2 off
    b[22] = b[23] = b[24] = b[25] = 0;
    b[30] = 2;  // power off after 30 minutes
}

int AdjustMeterTime(MeterLink& link)
{
    // The time is taken when the block is built, after the frame and its 100 ms.
    CommandRun run{Command::SetClock, 0, 0, kClockCodes,
                   [](MeterLink& l) { FillClockBlock(l.setupBlock(), l.clock().now()); }};
    return runCommand(link, run);
}

int AdjustRecordingInterval(MeterLink& link, const IntervalParameter& interval)
{
    return runCommand(link, {Command::RecordingInterval, interval.minutesBcd, interval.secondsBcd, kIntervalCodes});
}

int EraseMeterMemory(MeterLink& link)
{
    return runCommand(link, {Command::EraseMemory, 0, 0, kEraseCodes, nullptr, 10});
}

int SetupOther(MeterLink& link)
{
    return runCommand(link, {Command::DefaultSettings, 0, 0, kSettingsCodes,
                             [](MeterLink& l) { FillDefaultSettings(l.setupBlock()); }});
}

bool InformationReplyPlausible(const std::array<std::uint8_t, 64>& r)
{
    const int position = r[10] << 16 | r[11] << 8 | r[12];
    return position >= kEmptyMemoryPosition && position <= kDataMemoryEnd;
}

int ReadMeterInformation(MeterLink& link, std::array<std::uint8_t, 64>& reply, QString& serial)
{
    Exchange x;
    x.command = Command::Information;
    x.frame = &link.setupFrame();
    x.fillFrame = [](CommandFrame& frame) {
        frame[kFrameParam1] = 0;
        frame[kFrameParam2] = 0;
    };
    x.reply = reply.data();
    x.replyLength = int(reply.size());
    x.codes = kInformationCodes;
    x.accepted = [&reply](const std::uint8_t*) { return InformationReplyPlausible(reply); };
    int code = 0;
    for (int i = 0; i < kSetupAttempts; ++i) {
        reply.fill(0);  // a failed read must not leave an older reply to be taken apart
        code = RunExchange(link, x);
        if (code == 0)
            break;
    }
    MeterDevice& dev = link.device();
    serial.clear();
    if (code != 0)
        return code;
    char text[33] = {};
    dev.GetSerialText(text, 32);  // its result is not used: an empty text shows as empty
    text[32] = '\0';
    serial = QString::fromLatin1(text);
    return 0;
}

}  // namespace kelvor

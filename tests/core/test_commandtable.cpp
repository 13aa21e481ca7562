// SPDX-License-Identifier: GPL-3.0-or-later
// The command table is the reference for the wire: the simulated meter, which every
// exchange is tested against, must answer each command as the table says (reply
// length, a block after the frame or not). A command taught to one and not the other
// fails here.
#include <gtest/gtest.h>

#include <set>

#include "base/clock.h"
#include "meter/commandframe.h"
#include "meter/sim/simmeter.h"
#include "meter/sim/simprotocol.h"

using namespace kelvor;

namespace {
CommandFrame frameFor(Command c)
{
    CommandFrame f{kFrameStart, std::uint8_t(c), 0, 0, 0, 0, kFrameEnd};
    if (c == Command::RecordingInterval)
        f[3] = 0x02;  // 00:02, a valid BCD interval
    return f;
}

// A valid clock block (BCD seconds, minutes, hours, day, month, -, year) serves for
// the settings block too: the meter takes any 32 bytes there.
std::vector<std::uint8_t> setupBlock()
{
    std::vector<std::uint8_t> b(32, 0);
    b[0] = 0x05, b[1] = 0x30, b[2] = 0x09, b[3] = 0x15, b[4] = 0x07, b[6] = 0x26;
    return b;
}
}  // namespace

TEST(CommandTable, OneRowPerLetterAndFindsEach)
{
    std::set<std::uint8_t> letters;
    for (const CommandInfo* c = commandTableBegin(); c != commandTableEnd(); ++c) {
        EXPECT_TRUE(letters.insert(std::uint8_t(c->command)).second) << "twice: " << char(c->command);
        EXPECT_EQ(findCommand(std::uint8_t(c->command)), c);
    }
    EXPECT_EQ(findCommand('?'), nullptr);
}

TEST(CommandTable, SimulatedMeterAnswersEachCommandAsTheTableSays)
{
    for (const CommandInfo* c = commandTableBegin(); c != commandTableEnd(); ++c) {
        SCOPED_TRACE(std::string("command ") + char(c->command) + " (" + c->sentBy + ")");
        ManualClock clock(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
        SimMeter meter(clock);
        SimProtocol wire(meter);
        const bool inDownload = c->reply == ReplyForm::MemoryBlock && c->command != Command::MemoryStart;
        if (inDownload || c->command == Command::MemoryRetryOrEepromRead) {
            const CommandFrame start = frameFor(Command::MemoryStart);
            ASSERT_EQ(int(wire.handleFrame(start.data(), 7).size()), 36);
        }
        const CommandFrame f = frameFor(c->command);
        std::vector<std::uint8_t> reply = wire.handleFrame(f.data(), 7);
        if (c->followedByBlock) {
            EXPECT_TRUE(reply.empty()) << "answered before its block";
            const std::vector<std::uint8_t> block = setupBlock();
            reply = wire.handleBlock(block.data(), int(block.size()));
        }
        EXPECT_EQ(int(reply.size()), c->replyLength);
        if (c->reply == ReplyForm::Acknowledgement || c->reply == ReplyForm::Echo) {
            ASSERT_GE(reply.size(), 2u);
            EXPECT_EQ(reply[1], std::uint8_t(c->command)) << "the reply names another command";
        }
    }
}

// The one command whose reply depends on the meter's state: outside a download "r"
// reads an EEPROM byte and echoes the frame in 32 bytes.
TEST(CommandTable, EepromReadOutsideADownloadIsA32ByteEcho)
{
    ManualClock clock(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    SimMeter meter(clock);
    SimProtocol wire(meter);
    CommandFrame f = frameFor(Command::MemoryRetryOrEepromRead);
    f[4] = 100;
    const std::vector<std::uint8_t> reply = wire.handleFrame(f.data(), 7);
    ASSERT_EQ(reply.size(), 32u);
    EXPECT_EQ(reply[1], 'r');
    EXPECT_EQ(reply[4], 100);
}

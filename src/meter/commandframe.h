// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace kelvor {

using CommandFrame = std::array<std::uint8_t, 7>;

inline constexpr std::uint8_t kFrameStart = 0x02;
inline constexpr std::uint8_t kFrameEnd = 0x03;

// Every command the program sends; see commandtable.cpp for the parameter use and
// the reply each one gets.
enum class Command : std::uint8_t {
    LiveReading = 'A',
    BackLight = 'B',
    CelsiusFahrenheit = 'C',
    Record = 'E',
    Hold = 'H',
    RecordingInterval = 'I',
    Identity = 'K',
    MaxMinAvg = 'M',
    MaxMinAvgExit = 'N',
    MemoryStart = 'P',
    Cancel = 'Q',
    Recall = 'R',
    EepromWrite = 'W',
    Information = 'X',
    AdjustValuesY = 'Y',
    AdjustValuesZ = 'Z',
    EraseMemory = 'e',
    Memory = 'm',
    MemoryNext = 'p',
    MemoryEnd = 'q',
    MemoryRetryOrEepromRead = 'r',
    DefaultSettings = 's',
    SetClock = 't',
};

enum class ReplyForm { None, Acknowledgement, Echo, Identity, LiveReading, MemoryBlock, Information, Raw };

struct CommandInfo {
    Command command;
    const char* parameters;  // which frame bytes 2..5 carry what
    bool followedByBlock;    // a 32-byte data block follows the frame
    int replyLength;         // 0: no reply is read
    ReplyForm reply;
    const char* sentBy;
};

// The one table of every command (lookup by letter; nullptr for an unknown one).
const CommandInfo* findCommand(std::uint8_t letter);
const CommandInfo* commandTableBegin();
const CommandInfo* commandTableEnd();

}  // namespace kelvor

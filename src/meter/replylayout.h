// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kelvor {

// Where frames and replies carry what, as byte offsets. The live reply's display
// fields are in meter/lcdlayout.h.

// Frame bytes between the command letter and the end byte.
inline constexpr int kFrameParam1 = 2;
inline constexpr int kFrameParam2 = 3;
inline constexpr int kFrameParam3 = 4;
inline constexpr int kFrameParam4 = 5;
inline constexpr int kFrameSequence = kFrameParam4;  // "A" counts its frames here

// "OK" at this offset acknowledges a key or setup command.
inline constexpr int kAckAt = 2;
// The adjust values' replies carry their "OK" after the data.
inline constexpr int kAdjustYAckAt = 28;
inline constexpr int kAdjustZAckAt = 30;

// "K", the identity reply: the model code "QZX".
inline constexpr int kModelCodeAt = 23;

// A memory block reply ("P", "p"): 32 data bytes, the block number (high, low) and the
// download signature 04 05.
inline constexpr int kBlockNumberAt = 32;
inline constexpr int kBlockSignatureAt = 34;
inline constexpr std::uint8_t kBlockSignature[2] = {0x04, 0x05};
// Block 0 of the memory: the position of the last written byte, three bytes big-endian.
inline constexpr int kMemoryPositionAt = 10;

// The EEPROM replies echo the frame's first two bytes; a read's value is at byte 5.
inline constexpr int kEepromEchoBytes = 2;
inline constexpr int kEepromValueAt = 5;

// Whether reply holds "OK" at offset at.
template <typename Reply>
bool HasOk(const Reply& reply, int at)
{
    return reply[std::size_t(at)] == 'O' && reply[std::size_t(at) + 1] == 'K';
}

}  // namespace kelvor

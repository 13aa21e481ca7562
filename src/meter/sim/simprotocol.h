// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

namespace kelvor {

class SimMeter;

// The simulated meter's side of the wire: turns a 7-byte frame (and the 32-byte
// block that follows "t" and "s") into the reply the meter sends, from the model's
// state. Knows nothing of faults; those are the device's business.
class SimProtocol {
public:
    explicit SimProtocol(SimMeter& meter) : m_meter(&meter) {}

    // Empty result: the meter sends nothing (unknown or malformed frame, "q", "Q",
    // or a frame that waits for its block).
    std::vector<std::uint8_t> handleFrame(const std::uint8_t* frame, int length);
    std::vector<std::uint8_t> handleBlock(const std::uint8_t* block, int length);

    bool downloading() const { return m_downloading; }
    int downloadBlock() const { return m_block; }

private:
    std::vector<std::uint8_t> memoryBlockReply(int number) const;
    std::vector<std::uint8_t> information() const;
    std::vector<std::uint8_t> calibration(std::uint8_t letter) const;
    std::vector<std::uint8_t> eeprom(const std::uint8_t* frame);

    SimMeter* m_meter;
    bool m_downloading = false;
    // The meter counts download blocks from 1: its block n holds addresses
    // 32(n-1)..32n-1, so the first "P" (n = 1) answers with the header.
    int m_block = 0;
    std::uint8_t m_awaitingBlockFor = 0;
};

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary frames and blocks thrown at the simulated meter: it must answer or stay
// silent with a reply of a length the PC reads, and never fault (also after "W"
// has scribbled over the memory header).
#include <cstdint>
#include <cstdlib>

#include "app/clock.h"
#include "meter/simmeter.h"
#include "meter/simprotocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kelvor::ManualClock clock;
    kelvor::SimMeterConfig config;
    config.demoMemory = (size & 1) != 0;
    kelvor::SimMeter meter(clock, config);
    kelvor::SimProtocol protocol(meter);
    std::size_t i = 0;
    while (i < size) {
        // First byte: how much time passes and whether a frame or a block follows.
        const std::uint8_t op = data[i++];
        clock.advanceMs(std::int64_t(op & 0x3F) * 997);
        const bool block = op & 0x80;
        const std::size_t n = block ? 32 : 7;
        std::uint8_t buf[32] = {};
        for (std::size_t k = 0; k < n && i < size; ++k)
            buf[k] = data[i++];
        if (!block) {
            // Most frames get a proper start and end so the handler goes deep.
            if (op & 0x40) {
                buf[0] = 0x02;
                buf[6] = 0x03;
            }
        }
        const auto reply = block ? protocol.handleBlock(buf, 32) : protocol.handleFrame(buf, 7);
        if (!reply.empty() && reply.size() != 32 && reply.size() != 36 && reply.size() != 64)
            std::abort();
    }
    meter.liveReply();
    return 0;
}

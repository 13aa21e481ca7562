// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary options, frames, blocks and reads thrown at the simulated meter through
// its device interface: every option text is taken or refused with a message, every
// reply has a length the PC reads, and nothing faults (also after "W" has scribbled
// over the memory header).
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "base/clock.h"
#include "meter/sim/simdevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Up to the first newline: the option text of --meter=sim:...
    std::size_t i = 0;
    while (i < size && data[i] != '\n')
        ++i;
    const QString options = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(i));
    ++i;
    kelvor::SimMeterConfig config;
    kelvor::SimFaultPlan plan;
    QString error;
    if (!kelvor::parseSimOptions(options, config, plan, &error)) {
        if (error.isEmpty())
            std::abort();
        config = {};
        plan = {};
    }
    plan.latencyMs = 0;  // time passes below, from the input
    config.demoMemory = (size & 1) != 0;

    kelvor::ManualClock clock;
    kelvor::SimDevice device(clock, config, plan);
    std::uint8_t reply[64];
    while (i < size) {
        // Low bits: time passing; high bits: frame, block or read.
        const std::uint8_t op = data[i++];
        clock.advanceMs(std::int64_t(op & 0x1F) * 997);
        std::uint8_t buf[32] = {};
        switch (op >> 5) {
            case 0:
            case 1:
            case 2: {
                for (std::size_t k = 0; k < 7 && i < size; ++k)
                    buf[k] = data[i++];
                if (op & 0x40) {  // mostly well-formed, so the handler goes deep
                    buf[0] = 0x02;
                    buf[6] = 0x03;
                }
                device.WriteFrame(buf, 7);
                break;
            }
            case 3:
                for (std::size_t k = 0; k < 32 && i < size; ++k)
                    buf[k] = data[i++];
                device.WriteBlock(buf, 32);
                break;
            case 4:
                device.OpenLink(kelvor::kMeterVendorId, kelvor::kMeterProductId);
                break;
            default: {
                static constexpr int kLengths[] = {32, 36, 64};
                device.ReadReply(reply, kLengths[op % 3]);
                break;
            }
        }
    }
    device.meter().liveReply();
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/channelstyle.h"

namespace kelvor {

namespace {
constexpr std::uint32_t kMeterHues[8] = {0xC01C28, 0x1A5FB4, 0x26803A, 0x6B2F9E,
                                         0xB35900, 0x00737D, 0x6E4A1E, 0xA3157E};
// How far each channel of a meter is mixed towards white (in sixteenths).
constexpr int kLighter[4] = {0, 3, 5, 7};
}  // namespace

std::uint32_t SeveralMetersColour(int channel)
{
    const std::uint32_t hue = kMeterHues[(channel / 4) % 8];
    const int w = kLighter[channel % 4];
    std::uint32_t out = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        const int part = int((hue >> shift) & 0xFF);
        out |= std::uint32_t((part * (16 - w) + 255 * w) / 16) << shift;
    }
    return out;
}

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kelvor {

// How the workbook's chart and the report draw the channels of a run of several meters
// (up to 32): a hue per meter, dark enough for a monochrome copy, lighter from T1 to T4,
// and a line pattern per channel (T1 solid, T2 dashed, T3 dotted, T4 dash-dot), so a
// meter's four lines stay apart where the colours come close. A run of one meter keeps
// the four colours each output has always drawn.
std::uint32_t SeveralMetersColour(int channel);  // 0xRRGGBB; channel from 0, four per meter

enum class ChannelDash { Solid, Dash, Dot, DashDot };
inline ChannelDash SeveralMetersDash(int channel) { return ChannelDash(channel % 4); }

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kelvor {

struct RealTimeState {
    bool Running = false;
    std::int32_t RateSeconds = 2;
    std::int32_t SecondTicks = 0;
    std::int32_t SampleCount = 0;
    float ChannelMax[4] = {-9999.0f, -9999.0f, -9999.0f, -9999.0f};
    float ChannelMin[4] = {9999.0f, 9999.0f, 9999.0f, 9999.0f};
    double AxisExtendDays = 10.0 / 86400.0;
    bool Unsaved = false;
};

inline constexpr float kGapValue = 9999.0f;

}  // namespace kelvor

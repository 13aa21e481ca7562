// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kelvor {

struct RealTimeState {
    bool Running = false;
    std::int32_t RateSeconds = 2;
    std::int32_t SampleCount = 0;  // points of the store in use, breaks included
    // A sample was due and not taken (the meter was away): the next one is drawn after
    // a break, a point without readings that keeps the line from bridging the gap.
    bool SampleMissed = false;
    std::int32_t GapPoints = 0;  // breaks among the SampleCount points
    float ChannelMax[4] = {-9999.0f, -9999.0f, -9999.0f, -9999.0f};
    float ChannelMin[4] = {9999.0f, 9999.0f, 9999.0f, 9999.0f};
    double AxisExtendDays = 10.0 / 86400.0;
    bool Unsaved = false;
    // Open-ended logging: the run goes past the record count, the store keeps the latest
    // samples, and the averages come from these running sums of every sample.
    bool OpenEnded = false;
    double ChannelSum[4] = {0.0, 0.0, 0.0, 0.0};
    std::int64_t ChannelAveraged[4] = {0, 0, 0, 0};
};

inline constexpr float kGapValue = 9999.0f;

}  // namespace kelvor

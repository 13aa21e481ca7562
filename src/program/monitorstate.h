// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kelvor {

struct MonitorState {
    bool Connected = false;
    bool PollBusy = false;  // a MainTimer tick is being handled
    std::int32_t MissedReads = 0;
    std::uint16_t LastSecond = 0;
};

inline constexpr int kMaxMissedReads = 3;
inline constexpr int kProbeIntervalMs = 500;
inline constexpr int kPollIntervalMs = 200;

}  // namespace kelvor

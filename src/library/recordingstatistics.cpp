// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/librarytypes.h"

namespace kelvor {

void RecordingStatistics::add(const JournalSample& s)
{
    for (int c = 0; c < 4; ++c) {
        RecordingChannelStatistics& ch = channels[std::size_t(c)];
        const float v = s.t[std::size_t(c)];
        // Maximum before minimum, strictly: the first sample to reach an extreme keeps it.
        if (v > ch.maximum) {
            ch.maximum = v;
            ch.maximumTime = s.time;
            ch.maximumFlags = s.flags;
        }
        if (v < ch.minimum) {
            ch.minimum = v;
            ch.minimumTime = s.time;
            ch.minimumFlags = s.flags;
        }
        const bool gap = s.flags & ((1u << c) | (1u << (c + 4)));
        if (!gap && v > -3000.0f && v < 3000.0f) {
            ch.sum += double(v);
            ++ch.averaged;
        }
    }
    ++samples;
}

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/sim/simchannel.h"

#include <cmath>

namespace kelvor {

double simNoise(std::uint32_t seed, int channel, std::int64_t step)
{
    // splitmix64 over the three inputs: cheap, stateless and well spread.
    std::uint64_t z = (std::uint64_t(seed) << 32) ^ (std::uint64_t(std::uint32_t(channel)) << 56) ^ std::uint64_t(step);
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return double(z >> 11) / double(1ull << 52) - 1.0;
}

ChannelSample SimChannel::sample(double seconds, std::uint32_t seed, int channel, std::int64_t step) const
{
    ChannelSample s;
    const double n = simNoise(seed, channel, step);
    switch (kind) {
        case ChannelKind::Unplugged:
            s.state = ChannelState::Unplugged;
            return s;
        case ChannelKind::OverRange:
            s.state = ChannelState::OverRange;
            return s;
        case ChannelKind::Ambient:
            // A room drifts slowly by a few tenths.
            s.celsius = from + 0.4 * std::sin(seconds * (2.0 * M_PI / 900.0)) + 0.06 * n;
            return s;
        case ChannelKind::Heating: {
            // Like an oven under a thermostat: a rise, then a slow swing round the set point.
            const double approach = std::exp(-seconds / tauS);
            s.celsius = to + (from - to) * approach +
                        1.5 * (1.0 - approach) * std::sin(seconds * (2.0 * M_PI / 420.0)) + 0.15 * n;
            return s;
        }
        case ChannelKind::Cooling:
            s.celsius = to + (from - to) * std::exp(-seconds / tauS) + 0.15 * n;
            return s;
    }
    return s;
}

bool withinThermocoupleRange(int thermoType, double c)
{
    switch (thermoType) {
        case 1:
            return c >= -150.0 && c <= 1000.0;  // J
        case 2:
            return c >= -150.0 && c <= 750.0;  // E
        case 3:
            return c >= -180.0 && c <= 400.0;  // T
        default:
            return c >= -200.0 && c <= 1372.0;  // K
    }
}

}  // namespace kelvor

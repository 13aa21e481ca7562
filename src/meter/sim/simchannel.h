// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kelvor {

// One thermocouple input of the simulated meter: a small physical process in
// degrees C over meter time, plus a little seeded noise so it looks measured.
enum class ChannelKind : std::uint8_t { Ambient, Heating, Cooling, Unplugged, OverRange };

enum class ChannelState : std::uint8_t { Value, OverRange, Unplugged };

struct ChannelSample {
    ChannelState state = ChannelState::Value;
    double celsius = 0.0;
};

struct SimChannel {
    ChannelKind kind = ChannelKind::Ambient;
    double from = 23.0;   // degrees C at time 0
    double to = 23.0;     // where the process settles
    double tauS = 300.0;  // time constant of the approach, seconds

    static SimChannel ambient(double c) { return {ChannelKind::Ambient, c, c, 300.0}; }
    static SimChannel heating(double from, double to, double tauS) { return {ChannelKind::Heating, from, to, tauS}; }
    static SimChannel cooling(double from, double to, double tauS) { return {ChannelKind::Cooling, from, to, tauS}; }
    static SimChannel unplugged() { return {ChannelKind::Unplugged, 0, 0, 1}; }
    static SimChannel overRange() { return {ChannelKind::OverRange, 0, 0, 1}; }

    // The reading at `seconds` of meter time; `step` numbers the meter's measurement
    // (so the noise depends on the measurement, never on how often someone looks).
    ChannelSample sample(double seconds, std::uint32_t seed, int channel, std::int64_t step) const;
};

// Deterministic noise in [-1, 1) from a seed and two counters.
double simNoise(std::uint32_t seed, int channel, std::int64_t step);

// Thermocouple limits in degrees C (K, J, E, T); a reading outside shows "OL".
bool withinThermocoupleRange(int thermoType, double celsius);

}  // namespace kelvor

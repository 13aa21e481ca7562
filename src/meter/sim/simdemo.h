// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <cstdint>

namespace kelvor {

class SimMemory;

// Fills an erased memory with a few recorded runs ending before `now`: degrees C
// and F, types K and J, intervals of 2 s and 1:30, one with an over-range stretch
// and one with an unplugged channel.
void loadDemoDataSets(SimMemory& memory, std::uint32_t seed, const QDateTime& now);

}  // namespace kelvor

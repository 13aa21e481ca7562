// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvor {

class Program;

// Data Logger > Load and btnDataLogger: copies the meter's memory, lists its data sets
// in the DataLogger window and draws the first. A second call while one runs is
// ignored. Every failure is told to the user.
void LoadData1Click(Program& program);

}  // namespace kelvor

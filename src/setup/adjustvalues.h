// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace kelvor {

class MeterLink;

// Codes of the calibration read, by the step that failed. The open of "Z" shares
// 705 with "not accepted".
enum AdjustValuesCode : int {
    kAdjustYOpen = 701,
    kAdjustYTimeouts = 702,
    kAdjustYFrame = 703,
    kAdjustYRead = 704,
    kAdjustNotAccepted = 705,
    kAdjustZOpen = 705,
    kAdjustZTimeouts = 706,
    kAdjustZFrame = 707,
    kAdjustZRead = 708,
};

// The twelve calibration values in the window's order: T1..T4 gain, T1..T4 EXT
// offset (reply "Y"), T1..T4 CJC offset (reply "Z").
using AdjustValues = std::array<float, 12>;

// A value sent as three bytes b0, b1, b2: the single whose bits are b2 b1 b0 00.
float CalibrationValue(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);
// Fixed notation with 10 significant digits and 8 decimals ("1.00000000").
QString CalibrationText(float value);

// "Y" then "Z" (the latter read after 100 ms), up to three attempts; 0 or the last
// attempt's code. `values` is written only on success.
int ReadAdjustValues(MeterLink& link, AdjustValues& values);

// The controls the values go to, in the order of AdjustValues.
const std::array<const char*, 12>& AdjustValueFieldNames();

}  // namespace kelvor

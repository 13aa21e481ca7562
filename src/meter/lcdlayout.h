// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "meter/livereading.h"

namespace kelvor {

// Where each digit and annunciator sits in the 64-byte live reply (bytes 38..60).
// Decoder and encoder both read these tables, so the two cannot drift apart.
inline constexpr int kLcdFirstByte = 38;
inline constexpr int kLcdLastByte = 60;

struct DigitPlace {
    std::uint8_t byte;
    bool largeCode;
};

// Index = digit position of LiveReading::Glyphs (rows T1..T4 D1..D4, then small 1, 2).
inline constexpr std::array<DigitPlace, 18> kDigitPlaces = {{
    {42, true},
    {43, true},
    {44, true},
    {45, true},
    {49, false},
    {48, false},
    {47, false},
    {46, false},
    {51, true},
    {52, true},
    {53, true},
    {54, true},
    {59, false},
    {58, false},
    {57, false},
    {56, false},
    {39, false},
    {38, false},
}};

struct SegmentPlace {
    std::uint8_t byte;
    std::uint8_t bit;
};

// Index = Segment.
inline constexpr std::array<SegmentPlace, std::size_t(Segment::Count)> kSegmentPlaces = {{
    {38, 0},  // T1F
    {39, 0},  // Recall
    {40, 1},  // Hold
    {40, 2},  // Max
    {40, 3},  // Min
    {40, 4},  // Avg
    {40, 5},  // Mem
    {41, 0},  // Type
    {41, 1},  // TypeT
    {41, 2},  // TypeE
    {41, 3},  // TypeJ
    {41, 4},  // TypeK
    {41, 7},  // LabelT2
    {42, 7},  // LabelT1
    {43, 7},  // T1Minus
    {44, 7},  // T1Point
    {45, 7},  // T1C
    {46, 0},  // T2F
    {47, 0},  // T2Point
    {48, 0},  // T2C
    {50, 1},  // T1T2
    {50, 2},  // T3Minus
    {50, 3},  // LabelT3
    {50, 6},  // T2Minus
    {51, 7},  // AutoOff
    {52, 7},  // LabelT4
    {54, 7},  // T3Point
    {55, 0},  // Full
    {55, 1},  // T4C
    {55, 2},  // T4F
    {55, 3},  // T3C
    {55, 4},  // T3F
    {56, 0},  // Rec
    {57, 0},  // T4Point
    {60, 0},  // AlarmLimit0
    {60, 1},  // AlarmLimit1
    {60, 2},  // Alarm
    {60, 3},  // Bat1
    {60, 4},  // Bat2
    {60, 5},  // BatFull
    {60, 6},  // BatEmpty
    {60, 7},  // T4Minus
}};

// Live reply status bytes.
inline constexpr int kReplyUnitByte = 2;    // bit 7: degrees F
inline constexpr int kReplyStatusByte = 3;  // bit 3 recording, bit 4 REC/FULL blink, bit 6 MMA blink
inline constexpr int kReplyTimedByte = 4;   // bit 3: MAX/MIN/AVG driven by the blink timer
inline constexpr int kReplyChannelFlagsByte = 6;
inline constexpr int kReplyFirstValueByte = 9;  // T1..T4, signed 16-bit big-endian tenths

}  // namespace kelvor

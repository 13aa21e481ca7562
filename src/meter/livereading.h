// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace kelvor {

// Annunciator segments of the LCD image, named by the panel element showing them.
enum class Segment : std::uint8_t {
    T1F,
    Recall,
    Hold,
    Max,
    Min,
    Avg,
    Mem,
    Type,
    TypeT,
    TypeE,
    TypeJ,
    TypeK,
    LabelT2,
    LabelT1,
    T1Minus,
    T1Point,
    T1C,
    T2F,
    T2Point,
    T2C,
    T1T2,
    T3Minus,
    LabelT3,
    T2Minus,
    AutoOff,
    LabelT4,
    T3Point,
    Full,
    T4C,
    T4F,
    T3C,
    T3F,
    Rec,
    T4Point,
    AlarmLimit0,
    AlarmLimit1,
    Alarm,
    Bat1,
    Bat2,
    BatFull,
    BatEmpty,
    T4Minus,
    Count
};

// Digit positions: 4 rows of 4 large-drawn digits (T1..T4, D1 leftmost), then the
// two digits of the small display.
inline constexpr int kRowDigits = 16;
inline constexpr int kSmallDigit1 = 16;
inline constexpr int kSmallDigit2 = 17;
inline constexpr std::uint8_t kGlyphBlank = 16;

// The decoded live reading: numbers always in degrees C, the LCD image as glyph
// indexes and annunciator bits, exactly as the meter shows them.
struct LiveReading {
    std::array<float, 4> T{};       // T1..T4 in degrees C
    std::uint8_t ChannelFlags = 0;  // bit n: channel n+1 "OL"; bit n+4: "----"
    bool Fahrenheit = false;
    bool MeterRecording = false;
    bool RecFullBlink = false;
    bool MaxMinTimed = false;
    bool MaxMinBlink = false;
    std::array<std::uint8_t, 18> Glyphs{};
    std::array<bool, std::size_t(Segment::Count)> Segments{};

    bool segment(Segment s) const { return Segments[std::size_t(s)]; }
    bool overRange(int channel) const { return ChannelFlags & (1u << channel); }
    bool dashed(int channel) const { return ChannelFlags & (1u << (channel + 4)); }
};

// Decodes a valid 64-byte live reply (byte 0 = 0x02, byte 63 = 0x03 checked by the caller).
void DecodeLiveReading(const std::uint8_t* reply, LiveReading& out);

}  // namespace kelvor

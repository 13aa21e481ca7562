// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/lcdcodes.h"

#include <array>

namespace kelvor {

namespace {
constexpr std::uint8_t kBlank = 16;
constexpr std::uint8_t kNone = 0x00;

// Index = glyph. Glyph 16 is "every other pattern"; 0x00 stands for "no pattern".
constexpr std::array<std::uint8_t, kGlyphCount> kLarge = {
    0x77,  0x24, 0x5D, 0x6D, 0x2E, 0x6B, 0x7B, 0x27, 0x7F, 0x6F,  // 0..9
    0x3F,  0x7A, 0x53, 0x7C, 0x5B, 0x1B,                          // A b C d E F
    kNone,                                                        // blank
    0x08,  0x52, 0x78, 0x18, 0x5A, 0x38, 0x3E, 0x20,              // - L o r t n H i
};
constexpr std::array<std::uint8_t, kGlyphCount> kSmall = {
    0xEE, 0x24, 0xBA, 0xB6,  0x74, 0xD6, 0xDE, 0xE4, 0xFE, 0xF6, 0xFC,  0x5E,  0xCA,
    0x3E, 0xDA, 0xD8, kNone, 0x10, 0x4A, 0x1E, 0x18, 0x5A, 0x6E, kNone, kNone,
};

// Reverse tables over all 128 patterns, built once at compile time.
constexpr std::array<std::uint8_t, 128> reverseTable(const std::array<std::uint8_t, kGlyphCount>& codes, int shift)
{
    std::array<std::uint8_t, 128> r{};
    for (auto& g : r)
        g = kBlank;
    for (int g = 0; g < kGlyphCount; ++g)
        if (codes[std::size_t(g)] != kNone)
            r[std::size_t(codes[std::size_t(g)] >> shift)] = std::uint8_t(g);
    return r;
}
constexpr auto kLargeToGlyph = reverseTable(kLarge, 0);
constexpr auto kSmallToGlyph = reverseTable(kSmall, 1);
}  // namespace

std::uint8_t glyphOfLargeCode(std::uint8_t code) { return kLargeToGlyph[code & 0x7F]; }
std::uint8_t glyphOfSmallCode(std::uint8_t code) { return kSmallToGlyph[code >> 1]; }

std::uint8_t largeCodeOfGlyph(std::uint8_t glyph) { return glyph < kGlyphCount ? kLarge[glyph] : kNone; }
std::uint8_t smallCodeOfGlyph(std::uint8_t glyph) { return glyph < kGlyphCount ? kSmall[glyph] : kNone; }

bool largeCodeHasGlyph(std::uint8_t glyph) { return glyph == kBlank || largeCodeOfGlyph(glyph) != kNone; }
bool smallCodeHasGlyph(std::uint8_t glyph) { return glyph == kBlank || smallCodeOfGlyph(glyph) != kNone; }

}  // namespace kelvor

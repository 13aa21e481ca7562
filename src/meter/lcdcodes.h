// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kelvor {

// The LCD image carries seven-segment digits in two bit orders. The "large" code
// (bit 0 top .. bit 6 bottom, bit 7 free for an annunciator) and the "small" code
// (bit 7 top .. bit 1 bottom, bit 0 free) name the byte layout, not the drawn size.
inline constexpr int kGlyphCount = 25;

// Glyph index (0..24) of a byte; the annunciator bit is ignored. Unknown patterns,
// including 0x00, give the blank glyph 16.
std::uint8_t glyphOfLargeCode(std::uint8_t code);
std::uint8_t glyphOfSmallCode(std::uint8_t code);

// Segment pattern of a glyph without the annunciator bit. The blank glyph and glyphs
// with no pattern in that code (23 and 24 in the small code, anything above 24)
// give 0x00, which decodes as blank.
std::uint8_t largeCodeOfGlyph(std::uint8_t glyph);
std::uint8_t smallCodeOfGlyph(std::uint8_t glyph);

// True when the glyph has a pattern of its own in that code (so it survives a round trip).
bool largeCodeHasGlyph(std::uint8_t glyph);
bool smallCodeHasGlyph(std::uint8_t glyph);

}  // namespace kelvor

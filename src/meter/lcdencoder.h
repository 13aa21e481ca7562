// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "meter/livereading.h"

namespace kelvor {

// One row of the meter's display: four digit cells (D1 leftmost), the row's minus
// sign and the decimal point between D3 and D4.
struct LcdRow {
    std::array<std::uint8_t, 4> glyphs{kGlyphBlank, kGlyphBlank, kGlyphBlank, kGlyphBlank};
    bool minus = false;
    bool point = false;
    bool operator==(const LcdRow&) const = default;
};

// Row text as the meter would show it, right-aligned into the four cells:
// "23.5", "-12.0", "1372", "OL", "----", "  8.1". A leading '-' directly before a
// digit is the minus sign; every other '-' is the dash glyph. A '.' is the decimal
// point and only counts after the third cell. Characters: 0-9, A b C d E F, space,
// '-', L, o, r, t, n, H, i ('O' is the zero glyph). Unknown characters and cells
// beyond four (counting from the right) are dropped.
LcdRow lcdRowFromText(std::string_view text);
// The canonical text of a row: always four cells, minus and point where lit.
std::string lcdRowText(const LcdRow& row);
// The number a row shows, in tenths ("- 12.0" -> -120, "1372" -> 13720); false
// when the row holds anything but digits after its leading blanks ("OL", "----").
bool lcdRowTenths(const LcdRow& row, int& tenths);
// Glyph of a display character (kGlyphBlank for unknown ones) and back.
std::uint8_t lcdGlyphOfChar(char c);
char lcdCharOfGlyph(std::uint8_t glyph);

enum class RowUnit : std::uint8_t { None, Celsius, Fahrenheit };
enum class ThermoMark : std::uint8_t { None, K, J, E, T };
enum class BatteryMark : std::uint8_t { None, Empty, OneBar, TwoBars, Full };

// Which of the two alarm-limit bits of the LCD drives "Hi" and which "Lo".
inline constexpr Segment kAlarmHiSegment = Segment::AlarmLimit1;
inline constexpr Segment kAlarmLoSegment = Segment::AlarmLimit0;

// Everything the meter's LCD can show, by meaning rather than by bit.
struct LcdDisplay {
    std::array<LcdRow, 4> rows{};
    std::array<RowUnit, 4> units{};
    std::array<bool, 4> rowLabels{true, true, true, true};
    std::array<std::uint8_t, 2> small{kGlyphBlank, kGlyphBlank};  // left, right
    bool hold = false, max = false, min = false, avg = false;
    bool mem = false, recall = false, rec = false, full = false;
    bool typeLabel = true;
    ThermoMark thermo = ThermoMark::K;
    bool t1MinusT2 = false, autoOff = false;
    BatteryMark battery = BatteryMark::Full;
    bool alarm = false, alarmHi = false, alarmLo = false;
    bool operator==(const LcdDisplay&) const = default;
};

// Writes bytes 38..60 of a live reply. Glyphs that the byte's code cannot show
// (23 and 24 in the small-code rows) are written blank.
void encodeLcd(const LcdDisplay& display, std::uint8_t* reply);
// Reads a decoded reading back into a display (inverse of encodeLcd for every
// display whose glyphs fit their codes).
LcdDisplay lcdDisplayOf(const LiveReading& reading);

}  // namespace kelvor

// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter/lcdencoder.h"

#include <cctype>

#include "meter/lcdcodes.h"
#include "meter/lcdlayout.h"

namespace kelvor {

namespace {
constexpr char kGlyphChars[kGlyphCount + 1] = "0123456789AbCdEF -LortnHi";

constexpr std::array<Segment, 4> kMinus = {Segment::T1Minus, Segment::T2Minus, Segment::T3Minus, Segment::T4Minus};
constexpr std::array<Segment, 4> kPoint = {Segment::T1Point, Segment::T2Point, Segment::T3Point, Segment::T4Point};
constexpr std::array<Segment, 4> kCelsius = {Segment::T1C, Segment::T2C, Segment::T3C, Segment::T4C};
constexpr std::array<Segment, 4> kFahrenheit = {Segment::T1F, Segment::T2F, Segment::T3F, Segment::T4F};
constexpr std::array<Segment, 4> kLabel = {Segment::LabelT1, Segment::LabelT2, Segment::LabelT3, Segment::LabelT4};

void setBit(std::uint8_t* reply, Segment s, bool on)
{
    const SegmentPlace& p = kSegmentPlaces[std::size_t(s)];
    if (on)
        reply[p.byte] |= std::uint8_t(1u << p.bit);
}
}  // namespace

std::uint8_t lcdGlyphOfChar(char c)
{
    if (c == 'O')
        return 0;
    if (c == 'B')
        return 11;
    if (c == 'D')
        return 13;
    if (c == 'a' || c == 'c' || c == 'e' || c == 'f')
        c = char(std::toupper(static_cast<unsigned char>(c)));
    for (int g = 0; g < kGlyphCount; ++g)
        if (kGlyphChars[g] == c)
            return std::uint8_t(g);
    return kGlyphBlank;
}

char lcdCharOfGlyph(std::uint8_t glyph) { return glyph < kGlyphCount ? kGlyphChars[glyph] : ' '; }

LcdRow lcdRowFromText(std::string_view text)
{
    LcdRow row;
    if (text.size() >= 2 && text[0] == '-' && std::isdigit(static_cast<unsigned char>(text[1]))) {
        row.minus = true;
        text.remove_prefix(1);
    }
    // Fill from the right so short texts are right-aligned like the meter's digits.
    int cell = 3;
    bool pointPending = false;
    for (auto it = text.rbegin(); it != text.rend() && cell >= 0; ++it) {
        if (*it == '.') {
            pointPending = true;
            continue;
        }
        if (pointPending && cell == 2)
            row.point = true;
        pointPending = false;
        row.glyphs[std::size_t(cell--)] = lcdGlyphOfChar(*it);
    }
    return row;
}

std::string lcdRowText(const LcdRow& row)
{
    std::string s;
    if (row.minus)
        s += '-';
    for (int i = 0; i < 4; ++i) {
        s += lcdCharOfGlyph(row.glyphs[std::size_t(i)]);
        if (i == 2 && row.point)
            s += '.';
    }
    return s;
}

bool lcdRowTenths(const LcdRow& row, int& tenths)
{
    int v = 0;
    bool any = false;
    for (std::uint8_t g : row.glyphs) {
        if (g == kGlyphBlank && !any)
            continue;
        if (g > 9)
            return false;
        v = v * 10 + g;
        any = true;
    }
    tenths = (row.point ? v : v * 10) * (row.minus ? -1 : 1);
    return any;
}

void encodeLcd(const LcdDisplay& d, std::uint8_t* reply)
{
    for (int b = kLcdFirstByte; b <= kLcdLastByte; ++b)
        reply[b] = 0;

    for (std::size_t pos = 0; pos < kDigitPlaces.size(); ++pos) {
        const std::uint8_t glyph = pos < 16 ? d.rows[pos / 4].glyphs[pos % 4] : d.small[pos - 16];
        const DigitPlace& place = kDigitPlaces[pos];
        reply[place.byte] |= place.largeCode ? largeCodeOfGlyph(glyph) : smallCodeOfGlyph(glyph);
    }
    for (std::size_t r = 0; r < 4; ++r) {
        setBit(reply, kMinus[r], d.rows[r].minus);
        setBit(reply, kPoint[r], d.rows[r].point);
        setBit(reply, kCelsius[r], d.units[r] == RowUnit::Celsius);
        setBit(reply, kFahrenheit[r], d.units[r] == RowUnit::Fahrenheit);
        setBit(reply, kLabel[r], d.rowLabels[r]);
    }
    setBit(reply, Segment::Hold, d.hold);
    setBit(reply, Segment::Max, d.max);
    setBit(reply, Segment::Min, d.min);
    setBit(reply, Segment::Avg, d.avg);
    setBit(reply, Segment::Mem, d.mem);
    setBit(reply, Segment::Recall, d.recall);
    setBit(reply, Segment::Rec, d.rec);
    setBit(reply, Segment::Full, d.full);
    setBit(reply, Segment::Type, d.typeLabel);
    setBit(reply, Segment::TypeK, d.thermo == ThermoMark::K);
    setBit(reply, Segment::TypeJ, d.thermo == ThermoMark::J);
    setBit(reply, Segment::TypeE, d.thermo == ThermoMark::E);
    setBit(reply, Segment::TypeT, d.thermo == ThermoMark::T);
    setBit(reply, Segment::T1T2, d.t1MinusT2);
    setBit(reply, Segment::AutoOff, d.autoOff);
    setBit(reply, Segment::BatEmpty, d.battery == BatteryMark::Empty);
    setBit(reply, Segment::Bat1, d.battery == BatteryMark::OneBar);
    setBit(reply, Segment::Bat2, d.battery == BatteryMark::TwoBars);
    setBit(reply, Segment::BatFull, d.battery == BatteryMark::Full);
    setBit(reply, Segment::Alarm, d.alarm);
    setBit(reply, kAlarmHiSegment, d.alarmHi);
    setBit(reply, kAlarmLoSegment, d.alarmLo);
}

LcdDisplay lcdDisplayOf(const LiveReading& r)
{
    LcdDisplay d;
    for (std::size_t row = 0; row < 4; ++row) {
        for (std::size_t i = 0; i < 4; ++i)
            d.rows[row].glyphs[i] = r.Glyphs[row * 4 + i];
        d.rows[row].minus = r.segment(kMinus[row]);
        d.rows[row].point = r.segment(kPoint[row]);
        d.units[row] = r.segment(kCelsius[row])      ? RowUnit::Celsius
                       : r.segment(kFahrenheit[row]) ? RowUnit::Fahrenheit
                                                     : RowUnit::None;
        d.rowLabels[row] = r.segment(kLabel[row]);
    }
    d.small = {r.Glyphs[kSmallDigit1], r.Glyphs[kSmallDigit2]};
    d.hold = r.segment(Segment::Hold);
    d.max = r.segment(Segment::Max);
    d.min = r.segment(Segment::Min);
    d.avg = r.segment(Segment::Avg);
    d.mem = r.segment(Segment::Mem);
    d.recall = r.segment(Segment::Recall);
    d.rec = r.segment(Segment::Rec);
    d.full = r.segment(Segment::Full);
    d.typeLabel = r.segment(Segment::Type);
    d.thermo = r.segment(Segment::TypeK)   ? ThermoMark::K
               : r.segment(Segment::TypeJ) ? ThermoMark::J
               : r.segment(Segment::TypeE) ? ThermoMark::E
               : r.segment(Segment::TypeT) ? ThermoMark::T
                                           : ThermoMark::None;
    d.t1MinusT2 = r.segment(Segment::T1T2);
    d.autoOff = r.segment(Segment::AutoOff);
    d.battery = r.segment(Segment::BatFull)    ? BatteryMark::Full
                : r.segment(Segment::Bat2)     ? BatteryMark::TwoBars
                : r.segment(Segment::Bat1)     ? BatteryMark::OneBar
                : r.segment(Segment::BatEmpty) ? BatteryMark::Empty
                                               : BatteryMark::None;
    d.alarm = r.segment(Segment::Alarm);
    d.alarmHi = r.segment(kAlarmHiSegment);
    d.alarmLo = r.segment(kAlarmLoSegment);
    return d;
}

}  // namespace kelvor

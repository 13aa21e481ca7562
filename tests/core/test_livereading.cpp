// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <array>

#include "meter/lcdcodes.h"
#include "meter/lcdencoder.h"
#include "meter/livereading.h"

using namespace kelvor;

namespace {
std::array<std::uint8_t, 64> blankReply()
{
    std::array<std::uint8_t, 64> r{};
    r[0] = 0x02;
    r[63] = 0x03;
    return r;
}

LiveReading decode(const std::array<std::uint8_t, 64>& r)
{
    LiveReading out;
    DecodeLiveReading(r.data(), out);
    return out;
}
}  // namespace

TEST(DecodeLiveReading, Temperatures)
{
    struct Case {
        std::uint8_t hi, lo;
        bool fahrenheit;
        float expected;
    };
    const Case cases[] = {
        {0x00, 0xEB, false, 23.5f},    {0xFF, 0x38, false, -20.0f},    {0x7F, 0xFF, false, 3276.7f},
        {0x80, 0x00, false, -3276.8f}, {0x03, 0x20, true, 26.666666f}, {0x00, 0x00, true, -17.777779f},
        {0x00, 0x00, false, 0.0f},     {0x7F, 0xFF, true, 1802.6111f},
    };
    for (const Case& c : cases) {
        auto r = blankReply();
        r[2] = c.fahrenheit ? 0x80 : 0x00;
        for (int ch = 0; ch < 4; ++ch) {
            r[std::size_t(9 + 2 * ch)] = c.hi;
            r[std::size_t(10 + 2 * ch)] = c.lo;
        }
        const LiveReading lr = decode(r);
        for (int ch = 0; ch < 4; ++ch)
            EXPECT_FLOAT_EQ(lr.T[std::size_t(ch)], c.expected) << int(c.hi) << "," << int(c.lo) << " ch" << ch;
        EXPECT_EQ(lr.Fahrenheit, c.fahrenheit);
    }
    // The conversion runs in extended precision from the stored float: exact bit patterns.
    auto r = blankReply();
    r[2] = 0x80;
    r[9] = 0x03;
    r[10] = 0x20;
    EXPECT_EQ(decode(r).T[0], 26.666666f);
    EXPECT_EQ(decode(r).T[1], -17.777779f);
}

TEST(DecodeLiveReading, GlyphsAndSegments)
{
    auto r = blankReply();
    r[42] = 0x77;  // T1 D1 zero, no label
    r[43] = 0x01;  // not a pattern: blank
    r[46] = 0x75;  // T2 D4: small 4 plus T2 degrees F
    r[51] = 0xFF;  // T3 D1: 8 plus auto power-off
    r[39] = 0xEF;  // small digit 1: 0 plus RECALL
    r[59] = 0x00;  // T4 D1 blank
    LiveReading lr = decode(r);
    EXPECT_EQ(lr.Glyphs[0], 0);
    EXPECT_FALSE(lr.segment(Segment::LabelT1));
    EXPECT_EQ(lr.Glyphs[1], kGlyphBlank);
    EXPECT_EQ(lr.Glyphs[7], 4);
    EXPECT_TRUE(lr.segment(Segment::T2F));
    EXPECT_EQ(lr.Glyphs[8], 8);
    EXPECT_TRUE(lr.segment(Segment::AutoOff));
    EXPECT_EQ(lr.Glyphs[kSmallDigit1], 0);
    EXPECT_TRUE(lr.segment(Segment::Recall));
    EXPECT_EQ(lr.Glyphs[12], kGlyphBlank);

    r[42] = 0xF7;
    lr = decode(r);
    EXPECT_EQ(lr.Glyphs[0], 0);
    EXPECT_TRUE(lr.segment(Segment::LabelT1));

    // Every bit outside the tables is ignored: a reply with only those bits set
    // decodes to blanks and no segment.
    auto unused = blankReply();
    unused[40] = 0xC1;
    unused[41] = 0x60;
    unused[49] = 0x01;
    unused[50] = 0xB1;
    unused[53] = 0x80;
    unused[55] = 0xE0;
    unused[58] = 0x01;
    unused[59] = 0x01;
    lr = decode(unused);
    for (int s = 0; s < int(Segment::Count); ++s)
        EXPECT_FALSE(lr.Segments[std::size_t(s)]) << s;
    EXPECT_EQ(lr.Glyphs[4], kGlyphBlank);
    EXPECT_EQ(lr.Glyphs[8 + 2], kGlyphBlank);
}

TEST(DecodeLiveReading, StatusBits)
{
    auto r = blankReply();
    r[3] = 0x40;
    LiveReading lr = decode(r);
    EXPECT_FALSE(lr.MaxMinBlink);
    EXPECT_FALSE(lr.MaxMinTimed);
    r[3] = 0x58;
    r[4] = 0x08;
    r[6] = 0x21;
    lr = decode(r);
    EXPECT_TRUE(lr.MaxMinBlink);
    EXPECT_TRUE(lr.MaxMinTimed);
    EXPECT_TRUE(lr.MeterRecording);
    EXPECT_TRUE(lr.RecFullBlink);
    EXPECT_TRUE(lr.overRange(0));
    EXPECT_TRUE(lr.dashed(1));
    EXPECT_FALSE(lr.overRange(1));
}

TEST(LcdCodes, EveryGlyphRoundTripsThroughBothCodes)
{
    for (std::uint8_t g = 0; g < kGlyphCount; ++g) {
        EXPECT_EQ(glyphOfLargeCode(largeCodeOfGlyph(g)), g);
        EXPECT_EQ(glyphOfLargeCode(std::uint8_t(largeCodeOfGlyph(g) | 0x80)), g);
        if (smallCodeHasGlyph(g)) {
            EXPECT_EQ(glyphOfSmallCode(smallCodeOfGlyph(g)), g);
            EXPECT_EQ(glyphOfSmallCode(std::uint8_t(smallCodeOfGlyph(g) | 0x01)), g);
        }
    }
    EXPECT_FALSE(smallCodeHasGlyph(23));
    EXPECT_FALSE(smallCodeHasGlyph(24));
    // Patterns outside the table are blank in both codes.
    int known = 0;
    for (int b = 0; b < 128; ++b)
        known += glyphOfLargeCode(std::uint8_t(b)) != kGlyphBlank;
    EXPECT_EQ(known, 24);
}

TEST(LcdRowText, ParsesLikeTheMeterShowsIt)
{
    struct Case {
        const char* text;
        const char* canonical;
    };
    const Case cases[] = {
        {"23.5", " 23.5"}, {"-12.0", "- 12.0"}, {"OL", "  0L"},   {" OL ", " 0L "},
        {"----", "----"},  {"  8.1", "  8.1"},  {"1372", "1372"}, {"-200.0", "-200.0"},
        {"", "    "},      {"12345", "2345"},   {"1.23", " 123"},  // a point not after the third cell is not lit
    };
    for (const Case& c : cases)
        EXPECT_EQ(lcdRowText(lcdRowFromText(c.text)), c.canonical) << c.text;
    EXPECT_TRUE(lcdRowFromText("-12.0").minus);
    EXPECT_FALSE(lcdRowFromText("----").minus);
}

TEST(LcdEncoder, DecodeOfEncodeGivesTheDisplayBack)
{
    std::vector<LcdDisplay> displays;
    LcdDisplay d;
    d.rows = {lcdRowFromText("23.5"), lcdRowFromText("-12.0"), lcdRowFromText(" OL "), lcdRowFromText("----")};
    d.units = {RowUnit::Celsius, RowUnit::Celsius, RowUnit::Celsius, RowUnit::Celsius};
    displays.push_back(d);

    d.rows = {lcdRowFromText("-3276"), lcdRowFromText("999.9"), lcdRowFromText("-0.1"), lcdRowFromText("1372")};
    d.units = {RowUnit::Fahrenheit, RowUnit::Fahrenheit, RowUnit::Fahrenheit, RowUnit::Fahrenheit};
    d.small = {4, 2};
    d.hold = d.max = d.mem = d.rec = d.full = true;
    d.thermo = ThermoMark::T;
    d.battery = BatteryMark::Empty;
    d.alarm = d.alarmHi = true;
    displays.push_back(d);

    // Every glyph in every large row, the small-code ones in the small rows.
    LcdDisplay all;
    all.rows = {lcdRowFromText("AbCd"), lcdRowFromText("EF-L"), lcdRowFromText("ortn"), lcdRowFromText("-9.87")};
    all.rows[2] = {{23, 24, 16, 17}, true, true};
    all.units = {RowUnit::None, RowUnit::Fahrenheit, RowUnit::Celsius, RowUnit::None};
    all.rowLabels = {false, true, false, true};
    all.small = {22, 21};
    all.min = all.avg = all.recall = all.t1MinusT2 = all.autoOff = all.alarmLo = true;
    all.typeLabel = false;
    all.thermo = ThermoMark::None;
    all.battery = BatteryMark::TwoBars;
    displays.push_back(all);
    for (ThermoMark t : {ThermoMark::K, ThermoMark::J, ThermoMark::E}) {
        LcdDisplay x;
        x.thermo = t;
        x.battery = t == ThermoMark::J ? BatteryMark::OneBar : BatteryMark::None;
        x.rows[1] = lcdRowFromText("rL.o");
        displays.push_back(x);
    }

    for (const LcdDisplay& x : displays) {
        auto r = blankReply();
        encodeLcd(x, r.data());
        const LcdDisplay back = lcdDisplayOf(decode(r));
        EXPECT_EQ(back, x);
        for (std::size_t row = 0; row < 4; ++row)
            EXPECT_EQ(lcdRowText(back.rows[row]), lcdRowText(x.rows[row]));
    }
}

TEST(LcdEncoder, GlyphsWithoutASmallCodeAreWrittenBlank)
{
    LcdDisplay d;
    d.rows[1] = {{23, 24, 1, 2}, false, false};
    auto r = blankReply();
    encodeLcd(d, r.data());
    const LiveReading lr = decode(r);
    EXPECT_EQ(lr.Glyphs[4], kGlyphBlank);
    EXPECT_EQ(lr.Glyphs[5], kGlyphBlank);
    EXPECT_EQ(lr.Glyphs[6], 1);
    EXPECT_FALSE(lr.segment(Segment::T2F));  // a blank never lights its neighbour's bit
}

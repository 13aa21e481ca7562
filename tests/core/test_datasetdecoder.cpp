// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/localetext.h"
#include "logger/datasetdecoder.h"
#include "logger/datasetformat.h"
#include "memoryimage_builder.h"

using namespace kelvor;

namespace {
const QDateTime kNow(QDate(2026, 1, 5), QTime(10, 11, 12));

TestDataSet setWith(int samples, std::int16_t base = 0)
{
    TestDataSet s;
    for (int i = 0; i < samples * 4; ++i)
        s.values.push_back(std::int16_t(base + i));
    return s;
}
}  // namespace

TEST(DataSetDecoder, CountLimitsAndFailedDecodeKeepsStore)
{
    ManualClock clock(kNow);
    DataSetStore store;
    ASSERT_TRUE(DecodeDataSets(buildImage({setWith(2)}), store, clock).ok());
    ASSERT_EQ(store.sets.size(), 1u);

    QByteArray img = buildImage({});
    EXPECT_EQ(DecodeDataSets(img, store, clock).code, kNoDataSet);
    putBe16(img, 8, 4001);
    EXPECT_EQ(DecodeDataSets(img, store, clock).code, kTooManyDataSets);
    EXPECT_EQ(DecodeDataSets(QByteArray(100, '\0'), store, clock).code, kNoDataSet);
    EXPECT_EQ(DecodeDataSets(QByteArray(), store, clock).code, kNoDataSet);
    EXPECT_EQ(store.sets.size(), 1u);  // untouched by every failure
    EXPECT_EQ(store.values.size(), 8u);

    // 4000 empty data sets fit in the memory and decode.
    std::vector<TestDataSet> many(4000);
    const DataSetDecodeResult r = DecodeDataSets(buildImage(many), store, clock);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(store.sets.size(), 4000u);
    EXPECT_TRUE(store.values.empty());
    EXPECT_EQ(store.sets[1].headerPos, 2816 + 20);
}

TEST(DataSetDecoder, HeaderFieldsDatesAndTimes)
{
    ManualClock clock(kNow);
    DataSetStore store;
    TestDataSet a = setWith(4);
    a.intervalMin = 0x01;
    a.intervalSec = 0x1E;
    a.flags = 0x17;
    a.offsets[0] = -10;
    ASSERT_TRUE(DecodeDataSets(buildImage({a}), store, clock).ok());
    const DataSet& s = store.sets[0];
    EXPECT_EQ(fromDays(s.start), QDateTime(QDate(2023, 7, 15), QTime(9, 30, 5)));
    EXPECT_EQ(s.interval, 90);
    EXPECT_EQ(s.inCelsius, 1);
    EXPECT_EQ(s.thermoType, 7);
    EXPECT_EQ(s.offsets[0], -10);
    EXPECT_EQ(s.headerPos, 2816);
    EXPECT_EQ(s.lastPos, 2816 + 19 + 32);
    // Sample 3 (entries 12..15) is 270 s after the start, all four channels alike.
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(fromDays(store.times[12 + c]), QDateTime(QDate(2023, 7, 15), QTime(9, 34, 35)));
}

TEST(DataSetDecoder, BadDatePartsFallBackToNow)
{
    ManualClock clock(kNow);
    DataSetStore store;
    struct Case {
        std::uint8_t date[6];
        QDateTime expected;
        int badHours;
    } cases[] = {
        {{0x1A, 0x07, 0x15, 0x09, 0x30, 0x05}, QDateTime(QDate(2026, 7, 15), QTime(9, 30, 5)), 0},
        {{0x23, 0x07, 0x15, 0xA9, 0x30, 0x05}, QDateTime(QDate(2023, 7, 15), QTime(10, 30, 5)), 1},
        {{0x23, 0x0F, 0x15, 0x09, 0x3F, 0xF5}, QDateTime(QDate(2023, 1, 15), QTime(9, 11, 12)), 0},
        {{0x23, 0x13, 0x15, 0x09, 0x30, 0x05}, kNow, 0},  // month 13
        {{0x23, 0x02, 0x30, 0x09, 0x30, 0x05}, kNow, 0},  // 30 February
        {{0x23, 0x07, 0x15, 0x09, 0x75, 0x05}, kNow, 0},  // minute 75
    };
    for (const Case& c : cases) {
        TestDataSet s = setWith(1);
        std::copy(std::begin(c.date), std::end(c.date), s.date);
        const DataSetDecodeResult r = DecodeDataSets(buildImage({s}), store, clock);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(fromDays(store.sets[0].start), c.expected) << int(c.date[0]) << " " << int(c.date[1]);
        EXPECT_EQ(r.badHours, c.badHours);
    }
}

TEST(DataSetDecoder, ValuesInTheSetsUnit)
{
    ManualClock clock(kNow);
    DataSetStore store;
    TestDataSet f, c;
    f.values = {1000, -200, 0, 32767};
    c.values = {1000, -200, 320, -32768};
    c.flags = 0x10;
    ASSERT_TRUE(DecodeDataSets(buildImage({f, c}), store, clock).ok());
    ASSERT_EQ(store.values.size(), 8u);
    EXPECT_FLOAT_EQ(store.values[0], 100.0f);
    EXPECT_FLOAT_EQ(store.values[1], -20.0f);
    EXPECT_FLOAT_EQ(store.values[3], kSampleGap);  // the meter's over-range number
    EXPECT_NEAR(store.values[4], 37.77778f, 1e-5);
    EXPECT_NEAR(store.values[5], -28.88889f, 1e-5);
    EXPECT_FLOAT_EQ(store.values[6], 0.0f);
    EXPECT_FLOAT_EQ(store.values[7], kSampleGap);  // its open-input number
}

TEST(DataSetDecoder, SamplesOutsideTheirThermocoupleRangeBecomeGaps)
{
    ManualClock clock(kNow);
    DataSetStore store;
    // Type K: -328.0 .. 2501.6 F kept, one tenth beyond is a gap; type T ends at 752.0 F.
    TestDataSet k, t;
    k.values = {-3280, -3281, 25016, 25017};
    t.values = {7520, 7521, -2920, -2921};
    t.flags = 0x13;  // type T, shown in C
    ASSERT_TRUE(DecodeDataSets(buildImage({k, t}), store, clock).ok());
    const std::vector<float> expected{-328.0f, kSampleGap, 2501.6f, kSampleGap,
                                      400.0f,  kSampleGap, -180.0f, kSampleGap};
    ASSERT_EQ(store.values.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(store.values[i], expected[i], 1e-3) << i;
}

TEST(DataSetDecoder, SetsAreContiguousAndEmptySetsTakeTwentyBytes)
{
    ManualClock clock(kNow);
    DataSetStore store;
    TestDataSet empty;
    ASSERT_TRUE(DecodeDataSets(buildImage({setWith(3, 0), empty, setWith(5, 100)}), store, clock).ok());
    ASSERT_EQ(store.sets.size(), 3u);
    EXPECT_EQ(store.sets[1].headerPos, 2816 + 20 + 24);
    EXPECT_EQ(store.sets[2].headerPos, 2816 + 20 + 24 + 20);
    EXPECT_EQ(store.sets[2].firstValue, 12u);
    EXPECT_EQ(store.values.size(), 32u);
    EXPECT_FLOAT_EQ(store.valuesOf(2)[0], 10.0f);
    EXPECT_FLOAT_EQ(store.valuesOf(2)[19], 11.9f);
}

TEST(DataSetDecoder, ImageCutShortKeepsCompleteSets)
{
    ManualClock clock(kNow);
    DataSetStore store;
    const QByteArray full = buildImage({setWith(3), setWith(5), setWith(2)});
    // Cut inside the third set's samples, then inside the second's header, then a
    // damaged count that claims 0xFFFF samples.
    QByteArray cut = full.left(full.size() - 10);
    DataSetDecodeResult r = DecodeDataSets(cut, store, clock);
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.cutShort);
    EXPECT_EQ(r.decodedCount, 2);
    EXPECT_EQ(store.values.size(), 32u);
    EXPECT_FALSE(DecodeWarning(r).isEmpty());

    r = DecodeDataSets(full.left(2816 + 44 + 5), store, clock);
    EXPECT_EQ(r.decodedCount, 1);
    EXPECT_TRUE(r.cutShort);

    QByteArray damaged = full;
    putBe16(damaged, 2816 + 12, 0xFFFF);
    r = DecodeDataSets(damaged, store, clock);
    EXPECT_EQ(r.code, kImageCutShort);
    EXPECT_EQ(store.sets.size(), 1u);  // the previous decode stays

    r = DecodeDataSets(full, store, clock);
    EXPECT_FALSE(r.cutShort);
    EXPECT_TRUE(DecodeWarning(r).isEmpty());
}

TEST(DataSetFormat, ListRowColumns)
{
    DataSet s;
    s.start = toDays(QDateTime(QDate(2023, 7, 15), QTime(9, 30, 5)));
    s.interval = 90;
    s.sampleCount = 12;
    s.thermoType = 7;
    s.offsets[0] = -10;
    s.offsets[1] = 25;
    const QStringList f = DataSetListRow(s, 2, TextStyle::isoStyle());
    EXPECT_EQ(f, (QStringList{"3", "2023-07-15", "09:30:05", "01:30", "12", "F", "K", "-1.0", "2.5", "0.0", "0.0"}));
    s.inCelsius = 1;
    s.thermoType = 3;
    const QStringList c = DataSetListRow(s, 0, TextStyle::isoStyle());
    EXPECT_EQ(c[5], "C");
    EXPECT_EQ(c[6], "T");
    EXPECT_EQ(c[7], "-0.6");
    EXPECT_EQ(c[8], "1.4");

    EXPECT_EQ(FormatRate(5), "00:05");
    EXPECT_EQ(FormatRate(6000), "100:00");
    const TextStyle de{QLocale(QLocale::German, QLocale::Germany), false};
    EXPECT_EQ(FormatTemperature(2500.0, de), "2500,0");
    EXPECT_EQ(FormatTemperature(2500.1, de), "OL");
    EXPECT_EQ(FormatTemperature(-328.0, de), "-328,0");
    EXPECT_EQ(FormatTemperature(-328.1, de), "OL");
    EXPECT_EQ(FormatTemperature(9999.0, de), "OL");
}

// Table dates and times as QLocale writes them in the locale's formats, whichever the
// locale (its own digits, names of months, AM/PM, a year before 1000).
TEST(DataSetFormat, TableDatesAndTimesAreTheLocalesOwn)
{
    for (const char* name : {"de_DE", "en_US", "en_GB", "fr_FR", "hu_HU", "ja_JP", "ar_EG", "fa_IR", "ko_KR", "C"}) {
        const QLocale locale(QString::fromLatin1(name));
        const TextStyle style{locale, false};
        const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
        const QString timeFormat = LongTimeFormat(locale);
        for (const QDateTime& dt :
             {QDateTime(QDate(2026, 1, 5), QTime(0, 0, 0)), QDateTime(QDate(2026, 12, 31), QTime(13, 7, 9)),
              QDateTime(QDate(1999, 7, 15), QTime(9, 30, 5)), QDateTime(QDate(2003, 10, 1), QTime(23, 59, 59)),
              QDateTime(QDate(987, 3, 4), QTime(12, 0, 0))}) {
            EXPECT_EQ(FormatTableDate(dt, style), locale.toString(dt.date(), dateFormat)) << name;
            EXPECT_EQ(FormatTableTime(dt, style), locale.toString(dt.time(), timeFormat)) << name;
        }
    }
}

// One decimal as QLocale writes it, in the ISO style and with a German decimal comma:
// halves away from zero, a float's value as it is (22.35f lies above 22.35), a small
// negative value as "-0.0" but negative zero as "0.0", no grouping.
TEST(DataSetFormat, DecimalsRoundAsTheLocaleWritesThem)
{
    const TextStyle iso = TextStyle::isoStyle();
    const TextStyle de{QLocale(QLocale::German, QLocale::Germany), false};
    ASSERT_EQ(de.locale.decimalPoint(), QStringLiteral(",")) << "the German locale data is missing";
    struct Case {
        double v;
        const char* text;  // ISO; the German one has a comma
    } cases[] = {
        {0.0, "0.0"},       {-0.0, "0.0"},      {-0.04, "-0.0"},         {-0.05, "-0.1"},
        {0.05, "0.1"},      {0.15, "0.1"},      {0.25, "0.3"},           {0.35, "0.3"},
        {2.25, "2.3"},      {-2.25, "-2.3"},    {22.35f, "22.4"},        {-3.1, "-3.1"},
        {2500.0, "2500.0"}, {-328.0, "-328.0"}, {123456.75, "123456.8"}, {1e15, "1000000000000000.0"},
        {99.95, "100.0"},   {-99.96, "-100.0"}, {1e-9, "0.0"},           {7.0 / 3, "2.3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatDecimal(c.v, iso), QLatin1String(c.text)) << c.v;
        EXPECT_EQ(FormatDecimal(c.v, de), QString::fromLatin1(c.text).replace(QLatin1Char('.'), QLatin1Char(',')))
            << c.v;
    }
    // And for a sweep of the values a meter gives, what QLocale itself writes.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator);
    for (int tenth = -3280; tenth <= 25000; tenth += 7) {
        const float v = float(tenth) / 10.0f + 0.049f * float(tenth % 3);
        ASSERT_EQ(FormatDecimal(v, iso), c.toString(double(v), 'f', 1)) << v;
    }
}

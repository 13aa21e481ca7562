// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <QLocale>

#include "chart/chartmodel.h"
#include "graph/realtimerun.h"

using namespace kelvor;

namespace {
struct EnglishLocale : ::testing::Test {
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
};
using RealTimeRunTest = EnglishLocale;
}  // namespace

TEST(RealTimeRun, PeriodTexts)
{
    struct Case {
        int count, rate;
        const char* atOpen;
        const char* afterChange;
    };
    const Case cases[] = {
        {2000, 2, "1:6:40", "1:06:40"}, {2000, 5, "2:46:40", "2:46:40"},
        {5, 2, "0:0:10", "0:00:10"},    {99999, 3660, "101665:39:0", "101665:39:00"},  // the largest the dialog allows
        {0, 2, "0:0:0", "0:00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunPeriodText(c.count, c.rate), QString::fromLatin1(c.atOpen)) << c.count << " at " << c.rate;
        EXPECT_EQ(SetupPeriodText(c.count, c.rate), QString::fromLatin1(c.afterChange)) << c.count << " at " << c.rate;
    }
}

TEST(RealTimeRun, RecordCountNeedsRoomForOneSample)
{
    EXPECT_EQ(ParseRecordCount(QStringLiteral(" 2000")), 2000);
    EXPECT_EQ(ParseRecordCount(QStringLiteral("5")), 5);
    for (const char* bad : {"0", "00000", "", "   ", "-3"})
        EXPECT_FALSE(ParseRecordCount(QString::fromLatin1(bad))) << '"' << bad << '"';
    EXPECT_EQ(PeriodRecordCount(QStringLiteral(" 2000")), 2000);
    EXPECT_EQ(PeriodRecordCount(QString()), 0);
}

TEST_F(RealTimeRunTest, ExtremesFollowTheRawValuesAndShowTheFlags)
{
    RealTimeState rt;
    // T2 "OL" (bit 1), T4 "----" (bit 7); their raw values still take part.
    const std::uint8_t flags = 0x02 | 0x80;
    EXPECT_EQ(UpdateExtremes(rt, {23.5f, 0.0f, 21.0f, 0.0f}), 0xFF);         // first sample sets all
    EXPECT_EQ(UpdateExtremes(rt, {23.5f, 1.0f, 20.0f, 0.0f}), 0x02 | 0x40);  // ties do not move
    EXPECT_FLOAT_EQ(rt.ChannelMax[0], 23.5f);
    EXPECT_FLOAT_EQ(rt.ChannelMin[2], 20.0f);

    const double when = 46027.5 + 2.0 / 86400.0;  // 05/01/2026 12:00:02
    EXPECT_EQ(ExtremeText(flags, 0, 23.5f, when), QStringLiteral("23.5@05/01/2026 12:00:02"));
    EXPECT_EQ(ExtremeText(flags, 1, 1.0f, when), QStringLiteral("OL"));
    EXPECT_EQ(ExtremeText(flags, 3, 0.0f, when), QStringLiteral("----"));
    EXPECT_EQ(SampleValue(flags, 1, 1.0f), kGapValue);
    EXPECT_EQ(SampleValue(flags, 3, 0.0f), kGapValue);
    EXPECT_EQ(SampleValue(flags, 2, -12.5f), -12.5f);
}

TEST(RealTimeRun, StoreIsEmptiedWhollyAndCutToTheSamplesTaken)
{
    ChartModel chart;
    chart.setSubsets(4);
    RealTimeState rt;
    rt.SampleCount = 7;
    rt.ChannelMax[1] = 50.0f;
    PrepareRunStore(chart, rt, 10);
    for (int i = 0; i < 10; ++i)
        WriteRunSample(chart, i, 0, 46000.0 + i, {1.0f, 2.0f, 3.0f, 4.0f});

    // A shorter run after a longer one: nothing of the old samples is left anywhere.
    PrepareRunStore(chart, rt, 8);
    EXPECT_EQ(chart.Points(), 8);
    EXPECT_EQ(rt.SampleCount, 0);
    EXPECT_EQ(rt.ChannelMax[1], -9999.0f);
    EXPECT_EQ(rt.ChannelMin[1], 9999.0f);
    for (int s = 0; s < 4; ++s)
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(chart.XDataII(s, i), 0.0);
            EXPECT_EQ(chart.YData(s, i), kGapValue);
        }

    WriteRunSample(chart, 0, 0x04, 46001.0, {1.0f, 2.0f, 3.0f, 4.0f});
    WriteRunSample(chart, 1, 0, 46002.0, {5.0f, 6.0f, 7.0f, 8.0f});
    ShortenRunStore(chart, 2);
    EXPECT_EQ(chart.Points(), 2);
    EXPECT_EQ(chart.XDataII(3, 1), 46002.0);
    EXPECT_EQ(chart.YData(3, 1), 8.0f);
    EXPECT_EQ(chart.YData(2, 0), kGapValue);  // T3 was "OL"
    ShortenRunStore(chart, 0);
    EXPECT_EQ(chart.Points(), 0);
}

TEST_F(RealTimeRunTest, AveragesLeaveOutGapsAndValuesBeyond3000)
{
    ChartModel chart;
    chart.setSubsets(4);
    chart.setPoints(6);
    const float t1[6] = {20.0f, 3000.0f, -3000.0f, kGapValue, 21.0f, 100.0f};
    for (int i = 0; i < 6; ++i)
        chart.setYData(0, i, t1[i]);
    chart.setYData(1, 0, 2999.9f);
    chart.setYData(1, 1, -2999.9f);
    EXPECT_EQ(RunAverageText(chart, 0, 5), QStringLiteral("20.500"));  // the sixth is not a sample
    EXPECT_EQ(RunAverageText(chart, 1, 2), QStringLiteral("0.000"));
    EXPECT_EQ(RunAverageText(chart, 2, 6), QStringLiteral("****"));  // gaps only
    EXPECT_EQ(RunAverageText(chart, 0, 0), QStringLiteral("****"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(RunAverageText(chart, 0, 5), QStringLiteral("20,500"));
}

// A break after missed samples: a point without readings halfway, which a run with a
// record count gets on top of its samples and an open-ended run scrolls like a sample.
TEST(RealTimeRun, BreakAfterMissedSamplesTakesNoSamplesPlace)
{
    for (const bool openEnded : {false, true}) {
        SCOPED_TRACE(openEnded ? "open-ended" : "record count");
        ChartModel chart;
        chart.setSubsets(4);
        RealTimeState rt;
        rt.OpenEnded = openEnded;
        PrepareRunStore(chart, rt, 4);
        const double t0 = 46000.0;
        for (int i = 0; i < 3; ++i) {
            WriteRunSample(chart, NextRunSlot(chart, rt), 0, t0 + i, {1.0f, 2.0f, 3.0f, 4.0f});
            ++rt.SampleCount;
        }
        ASSERT_TRUE(WriteRunBreak(chart, rt, t0 + 12));
        EXPECT_EQ(rt.SampleCount, 4);
        EXPECT_EQ(rt.GapPoints, 1);
        EXPECT_EQ(chart.Points(), openEnded ? 4 : 5);
        const int n = NextRunSlot(chart, rt);
        ASSERT_EQ(n, openEnded ? 3 : 4);
        WriteRunSample(chart, n, 0, t0 + 12, {5.0f, 6.0f, 7.0f, 8.0f});
        ++rt.SampleCount;
        // The break lies between the sample before the gap and the one after it.
        EXPECT_EQ(chart.XDataII(0, n - 1), t0 + 7);
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(chart.YData(s, n - 1), kGapValue) << s;
        EXPECT_EQ(chart.XDataII(0, n - 2), t0 + 2);
        EXPECT_EQ(chart.YData(0, n), 5.0f);
        // The record-count run still has its last slot for a sample; the open-ended
        // one has scrolled its first sample out.
        EXPECT_EQ(NextRunSlot(chart, rt), openEnded ? 3 : -1);
        EXPECT_EQ(chart.XDataII(0, 0), openEnded ? t0 + 2 : t0);
    }
}

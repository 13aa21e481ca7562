// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "chart/chartmodel.h"

using namespace kelvor;

namespace {

// A chart with something non-default in every group: data with a gap, split axes,
// per-axis scales, annotations of both kinds, look and switches.
void fillChart(ChartModel& c)
{
    c.setSubsets(4);
    c.setPoints(5);
    for (int i = 0; i < 5; ++i) {
        c.setXDataII(-1, i, 46000.5 + i / 86400.0);
        for (int s = 0; s < 4; ++s)
            c.setYData(s, i, float(i * 10 + s) + 0.25f);
    }
    c.setXDataII(3, 4, 46001.0);  // subset 3 keeps its own times
    c.setYData(1, 2, 9999.0f);
    c.setUsingXDataII(true);
    c.setDateTimeMode(sgVBDateTime);
    c.setMultiAxesSubsets(0, 1);
    c.setMultiAxesSubsets(3, 1);
    c.setMultiAxesProportions(2, 0.25);
    c.setWorkingAxis(2);
    c.setManualScaleControlY(sgManualMinAndMax);
    c.setManualMinY(-10.0);
    c.setManualMaxY(50.0);
    c.setYAxisLabel(QStringLiteral("°C"));
    c.setWorkingAxis(0);
    c.setManualMinX(46000.0);
    c.setMainTitle(QStringLiteral("Main"));
    c.setSubTitle(QStringLiteral(" "));
    c.setSubsetLabels(3, QStringLiteral("T4"));
    c.setSubsetColors(1, 0xFFFF00);
    c.setGridStyle(sgNoGrid);
    c.setRandomSubsetsToGraph(1, 2);
    c.setGraphAnnotationType(7, sgCrossMark);
    c.setGraphAnnotationX(7, 46000.6);
    c.setGraphAnnotationText(7, QStringLiteral("T1 MAX:12.0\rMIN"));
    c.setVertLineAnnotation(1, 46000.7);
    c.setVertLineAnnotationColor(1, 0x0000FF);
    c.setAllowFontPage(false);
    c.setAllowZooming(sgHorzPlusVertZooming);
}

TEST(ChartModel, PointsResizeKeepsDataAndFillsNewPointsAsUnfilled)
{
    ChartModel c;
    c.setSubsets(2);
    c.setPoints(2);
    c.setXDataII(-1, 1, 5.0);
    c.setYData(1, 1, 7.5f);
    c.setPoints(4);
    EXPECT_EQ(c.XDataII(0, 1), 5.0);
    EXPECT_EQ(c.YData(1, 1), 7.5f);
    EXPECT_EQ(c.XDataII(1, 3), 0.0);
    EXPECT_EQ(c.YData(1, 3), 9999.0f);
    // Out of range reads give defaults, writes are ignored.
    c.setYData(5, 0, 1.0f);
    c.setXDataII(0, 4, 1.0);
    EXPECT_EQ(c.YData(5, 0), 9999.0f);
    EXPECT_EQ(c.XDataII(-1, 0), 0.0);
}

TEST(ChartModel, SetAllInterleavesFourChannels)
{
    ChartModel c;
    c.setSubsets(4);
    c.setPoints(2);
    const double xs[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};  // 2.5 samples: the half is ignored
    const float ys[] = {10, 11, 12, 13, 20, 21, 22, 23};
    c.SetAllXDataII(xs, 10);
    c.SetAllYData(ys, 8);
    EXPECT_EQ(c.XDataII(2, 1), 7.0);
    EXPECT_EQ(c.YData(3, 0), 13.0f);
    EXPECT_EQ(c.YData(1, 1), 21.0f);
}

TEST(ChartModel, SplitIsClearedByMinusOneAndLayoutFollowsCounts)
{
    ChartModel c;
    c.setSubsets(4);
    for (int a = 0; a < 4; ++a) {
        c.setMultiAxesSubsets(a, 1);
        c.setMultiAxesProportions(a, 0.25);
    }
    EXPECT_EQ(c.axisLayout().size(), 4u);
    c.setMultiAxesSubsets(-1, 0);
    c.setMultiAxesProportions(0, 1.0);
    EXPECT_EQ(c.MultiAxesSubsets(1), 0);
    EXPECT_EQ(c.MultiAxesProportions(0), 1.0);
    ASSERT_EQ(c.axisLayout().size(), 1u);
    EXPECT_EQ(c.axisLayout()[0], (std::vector<int>{0, 1, 2, 3}));
}

TEST(ChartModel, ChangesRecordLowestWrittenPoint)
{
    ChartModel c;
    c.setSubsets(4);
    c.setPoints(100);
    c.takeChanges();
    c.setXDataII(-1, 42, 1.0);
    c.setYData(2, 41, 1.0f);
    const ChartChanges ch = c.takeChanges();
    EXPECT_FALSE(ch.structure);
    EXPECT_EQ(ch.dataFrom, 41);
    EXPECT_EQ(c.takeChanges().dataFrom, -1);
}

TEST(ChartState, RoundTripRestoresEverything)
{
    ChartModel a;
    fillChart(a);
    const QByteArray block = a.StoreState();
    ChartModel b;
    ASSERT_TRUE(b.LoadState(block).ok());
    EXPECT_EQ(b.state(), a.state());
    EXPECT_EQ(b.StoreState(), block);
}

TEST(ChartState, DamagedBlocksAreRefusedAndLeaveTheChartAlone)
{
    ChartModel src;
    fillChart(src);
    const QByteArray good = src.StoreState();

    ChartModel target;
    target.setSubsets(2);
    target.setPoints(3);
    target.setMainTitle(QStringLiteral("keep me"));
    const ChartState before = target.state();

    QList<QByteArray> damaged = {
        QByteArray("not a chart at all, really not"),
        good + QByteArray(1, '\0'),
    };
    // Every cut-short block, down to nothing.
    for (qsizetype n = 0; n < good.size(); ++n)
        damaged << good.left(n);
    QByteArray newer = good;
    newer[8] = char(99);
    damaged << newer;
    for (const QByteArray& bad : damaged) {
        const ChartLoadResult r = target.LoadState(bad);
        EXPECT_FALSE(r.ok());
        EXPECT_FALSE(r.error.isEmpty());
        EXPECT_EQ(target.state(), before);
    }
}

TEST(ChartState, HugeCountsAreRefusedBeforeAllocating)
{
    ChartModel src;
    src.setSubsets(1);
    src.setPoints(0);
    QByteArray block = src.StoreState();
    // The block ends with Subsets, Points and one marker byte per subset.
    const qsizetype pointsAt = block.size() - 5;
    block[pointsAt] = char(0xFF);
    block[pointsAt + 1] = char(0xFF);
    block[pointsAt + 2] = char(0x3F);
    ChartModel target;
    const ChartLoadResult r = target.LoadState(block);
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains(QStringLiteral("Points"))) << r.error.toStdString();
}

}  // namespace

// The axis titles name the data's unit; a split chart names each axis' channel, and a
// title the user gave keeps its words (and a unit it already names).
TEST(ChartModelAxisTitle, NamesTheUnitAsTheDataAre)
{
    struct Case {
        bool split;
        int unit;
        QString label;
        int axis;
        QString want;
    };
    const Case cases[] = {
        {true, chartCelsius, {}, 0, QStringLiteral("T1 (°C)")},
        {true, chartFahrenheit, {}, 2, QStringLiteral("T3 (°F)")},
        {false, chartFahrenheit, {}, 0, QStringLiteral("°F")},
        {false, chartCelsius, QStringLiteral("Oven"), 0, QStringLiteral("Oven (°C)")},
        {true, chartFahrenheit, QStringLiteral("Temp °F"), 1, QStringLiteral("Temp °F")},
    };
    for (const Case& c : cases) {
        ChartModel m;
        m.setSubsets(4);
        for (int s = 0; s < 4; ++s)
            m.setSubsetLabels(s, QStringLiteral("T%1").arg(s + 1));
        if (c.split)
            for (int a = 0; a < 4; ++a)
                m.setMultiAxesSubsets(a, 1);
        m.setDataUnit(c.unit);
        m.setWorkingAxis(c.axis);
        m.setYAxisLabel(c.label);
        EXPECT_EQ(m.shownAxisTitle(c.axis), c.want) << c.label.toStdString() << " axis " << c.axis;
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>
#include <vector>

#include "base/clock.h"
#include "graph/statistics.h"

using namespace kelvor;

namespace {

// Four channels sharing one time axis; every channel gets the values of `y[c]`.
struct Fixture {
    std::vector<double> x;
    std::vector<std::vector<float>> y{4};

    ChannelSamples samples() const
    {
        ChannelSamples s;
        s.points = int(x.size());
        s.x = [this](int, int i) { return x[size_t(i)]; };
        s.y = [this](int c, int i) { return y[size_t(c)][size_t(i)]; };
        return s;
    }
};

double at(int h, int m, int s) { return toDays(QDateTime(QDate(2026, 1, 5), QTime(h, m, s))); }

Fixture tenSecondSteps(std::initializer_list<float> t1)
{
    Fixture f;
    int i = 0;
    for (float v : t1) {
        f.x.push_back(at(10, 0, 10 * i++));
        f.y[0].push_back(v);
        for (int c = 1; c < 4; ++c)
            f.y[size_t(c)].push_back(9999.0f);
    }
    return f;
}

class StatisticsTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

}  // namespace

TEST_F(StatisticsTest, FirstExtremeWinsAndIntervalDividesByPointCount)
{
    const Fixture f = tenSecondSteps({20.0f, 25.0f, 25.0f, 18.0f, 22.0f});
    const GraphStatistics r = ComputeStatistics(f.samples());

    EXPECT_EQ(r.channel[0].maxTime, at(10, 0, 10));  // the first of the two 25.0
    EXPECT_EQ(r.channel[0].minTime, at(10, 0, 30));
    EXPECT_EQ(r.maxText[0], QStringLiteral("25.0@05/01/2026 10:00:10"));
    EXPECT_EQ(r.minText[0], QStringLiteral("18.0@05/01/2026 10:00:30"));
    EXPECT_EQ(r.avgText[0], QStringLiteral("22.0"));
    EXPECT_EQ(r.intervalSeconds, 8);  // 40 s over 5 points, not the 10 s between them
    EXPECT_EQ(r.minutesIndex, 0);
    EXPECT_EQ(r.secondsIndex, 8);
    EXPECT_EQ(r.startTimeText, QStringLiteral("05/01/2026 10:00:00"));
    EXPECT_EQ(r.dataNoText, QStringLiteral("5"));
    // Channels that hold only gaps: both extremes stay at their start and read "OL".
    EXPECT_EQ(r.maxText[1], QStringLiteral("OL"));
    EXPECT_EQ(r.minText[1], QStringLiteral("OL"));
    EXPECT_EQ(r.avgText[1], QStringLiteral("****"));
}

TEST_F(StatisticsTest, ValuesOutsideTheMeasuringRange)
{
    // 5000 is below the gap threshold, so it becomes the maximum (shown "OL"), but it
    // stays out of the average; 9999 gaps are ignored altogether.
    const Fixture f = tenSecondSteps({20.0f, 5000.0f, 9999.0f, 22.0f, -3000.0f});
    const GraphStatistics r = ComputeStatistics(f.samples());
    EXPECT_EQ(r.channel[0].maximum, 5000.0f);
    EXPECT_EQ(r.maxText[0], QStringLiteral("OL"));
    EXPECT_EQ(r.channel[0].minimum, -3000.0f);
    EXPECT_TRUE(r.minText[0].startsWith(QStringLiteral("-3000.0@")));  // -3000 is shown, only beyond is "OL"
    EXPECT_EQ(r.channel[0].count, 2);
    EXPECT_EQ(r.avgText[0], QStringLiteral("21.0"));
}

TEST_F(StatisticsTest, EmptyChartGivesNoValuesInsteadOfDividingByZero)
{
    const Fixture f;
    const GraphStatistics r = ComputeStatistics(f.samples());
    EXPECT_EQ(r.dataNoText, QStringLiteral("0"));
    EXPECT_TRUE(r.startTimeText.isEmpty());
    EXPECT_EQ(r.minutesIndex, -1);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(r.maxText[c], QStringLiteral("****"));
        EXPECT_EQ(r.minText[c], QStringLiteral("****"));
        EXPECT_EQ(r.avgText[c], QStringLiteral("****"));
    }
}

TEST_F(StatisticsTest, LocaleDecimalCommaAndLongIntervals)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Fixture f = tenSecondSteps({20.25f, 21.0f});
    f.x[1] = f.x[0] + 7322.0 / 86400.0;  // 2 points over 7322 s: 3661 s, past the 60-minute list
    const GraphStatistics r = ComputeStatistics(f.samples());
    EXPECT_EQ(r.avgText[0], QStringLiteral("20,6"));
    EXPECT_TRUE(r.maxText[0].startsWith(QStringLiteral("21,0@")));
    EXPECT_EQ(r.minutesIndex, -1);
    EXPECT_EQ(r.secondsIndex, 1);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "base/clock.h"
#include "chart/chartmodel.h"
#include "graph/graphtable.h"

using namespace kelvor;

namespace {

const QLocale kLocale(QLocale::English, QLocale::UnitedKingdom);  // dd/MM/yyyy HH:mm:ss
const double kStart = toDays(QDateTime(QDate(2026, 3, 4), QTime(10, 0, 0)));

// Ten samples two seconds apart; T1 counts 1.0, 2.0, ...
void fill(ChartModel& c, int points = 10, int filled = 10)
{
    c.setSubsets(4);
    c.setPoints(points);
    for (int i = 0; i < filled; ++i) {
        c.setXDataII(-1, i, kStart + 2.0 * i / 86400.0);
        c.setYData(0, i, float(i + 1));
        c.setYData(1, i, 20.25f);
        c.setYData(2, i, -5.0f);
        c.setYData(3, i, 9999.0f);
    }
}

QStringList writeAndRead(const ChartModel& c, int first, int last, QChar sep = QLatin1Char('\t'))
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    const GraphTableResult r = WriteGraphTable(c, path, first, last, sep, kLocale);
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromLocal8Bit(f.readAll());
    EXPECT_TRUE(text.isEmpty() || text.endsWith(QStringLiteral("\r\n")));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
    EXPECT_EQ(lines.size(), r.lines);
    return lines;
}

TEST(GraphTable, LineLayoutAndRoundedTimes)
{
    ChartModel c;
    fill(c);
    const QStringList lines = writeAndRead(c, 1, 2, QLatin1Char(','));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("04/03/2026,10:00:00,1.0,20.3,-5.0,OL"));
    // start + 2 s in float days must print :02, not :01
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("04/03/2026,10:00:02,2.0,")));
}

TEST(GraphTable, OverRangeLimits)
{
    const struct {
        float y;
        const char* text;
    } cases[] = {{2500.0f, "2500.0"}, {2500.1f, "OL"},       {-328.0f, "-328.0"}, {-328.1f, "OL"},
                 {9999.0f, "OL"},     {std::nanf(""), "OL"}, {0.04f, "0.0"}};
    for (const auto& c : cases)
        EXPECT_EQ(TableValueText(c.y, kLocale), QLatin1String(c.text)) << c.y;
    EXPECT_EQ(TableValueText(12.5f, QLocale(QLocale::German)), QStringLiteral("12,5"));
}

TEST(GraphTable, RangeRules)
{
    const struct {
        bool all;
        const char* from;
        const char* to;
        int first, last;
        const char* error;
    } cases[] = {
        {true, "x", "y", 1, 10, ""},
        {false, "10", "3", 3, 10, ""},
        {false, "0", "5", 1, 5, ""},
        {false, "2", "99", 2, 10, ""},
        {false, "-4", " -6 ", 4, 6, ""},
        {false, "1.5", "3", 1, 0, "invalid integer"},
        {false, "1", "", 1, 0, "invalid integer"},
        {false, "1", "99999999999", 1, 0, "invalid integer"},
    };
    for (const auto& c : cases) {
        const GraphTableRange r =
            NormaliseTableRange(c.all, QString::fromLatin1(c.from), QString::fromLatin1(c.to), 10);
        EXPECT_EQ(r.error, QLatin1String(c.error)) << c.from << ".." << c.to;
        if (r.ok()) {
            EXPECT_EQ(r.first, c.first) << c.from << ".." << c.to;
            EXPECT_EQ(r.last, c.last) << c.from << ".." << c.to;
        }
    }
}

TEST(GraphTable, WritesTheRangeAndStopsAtTheFirstUnfilledPoint)
{
    ChartModel c;
    fill(c);
    QStringList lines = writeAndRead(c, 3, 10);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines.front().section(QLatin1Char('\t'), 2, 2), QStringLiteral("3.0"));
    EXPECT_EQ(lines.back().section(QLatin1Char('\t'), 2, 2), QStringLiteral("10.0"));

    ChartModel running;
    fill(running, 2000, 4);  // a run still going: points beyond 4 never filled
    EXPECT_EQ(writeAndRead(running, 1, 2000).size(), 4);
}

TEST(GraphTable, CancelWritesNothingAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.csv"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old table\r\n");
    }
    ChartModel c;
    fill(c);
    int calls = 0;
    const GraphTableResult r = WriteGraphTable(c, path, 1, 10, QLatin1Char(','), kLocale, [&](int done, int total) {
        EXPECT_EQ(total, 10);
        ++calls;
        return done < 5;
    });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(calls, 6);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old table\r\n"));
}

}  // namespace

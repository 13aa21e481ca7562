// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include "chart/chartmodel.h"
#include "graph/graphfile.h"

using namespace kelvor;

namespace {

void fill(ChartModel& c)
{
    c.setSubsets(4);
    c.setPoints(3);
    for (int i = 0; i < 3; ++i) {
        c.setXDataII(-1, i, 46000.25 + i / 86400.0);
        c.setYData(-1, i, 20.5f + i);
    }
    c.setGraphAnnotationText(4, QStringLiteral("label"));
    c.setMainTitle(QStringLiteral("title"));
}

// Every property of the state block set away from its default, so that a field read into
// the wrong place or written out of order changes the bytes.
void setEveryField(ChartModel& c)
{
    c.setSubsets(3);
    c.setPoints(4);
    for (int i = 0; i < 4; ++i) {
        c.setXDataII(-1, i, 46000.5 + i / 1440.0);
        for (int s = 0; s < 3; ++s)
            c.setYData(s, i, float(s * 100 + i) + 0.125f);
    }
    c.setXDataII(2, 3, 46002.0);  // the last subset keeps its own times
    c.setYData(1, 1, 9999.0f);
    c.setUsingXDataII(true);
    c.setDateTimeMode(sgVBDateTime);
    c.setNullDataValueY(-777.5);
    c.setMultiAxesSeparators(sgMediumLine);
    c.setManualScaleControlX(sgManualMax);
    c.setManualMinX(45999.25);
    c.setManualMaxX(46003.75);
    c.setMainTitle(QStringLiteral("Kiln – run 7"));
    c.setSubTitle(QStringLiteral("sub"));
    c.setXAxisLabel(QStringLiteral("Time"));
    c.setGraphForeColor(0x010203);
    c.setGraphBackColor(0x040506);
    c.setDeskColor(0x070809);
    c.setTextColor(0x0A0B0C);
    c.setGridStyle(sgDash);
    c.setViewingStyle(sgMonochrome);
    c.setPlottingMethod(sgPointsPlusLine);
    c.setLineGapThreshold(0.003);
    c.setPrepareImages(true);
    c.setSubsetByPoint(true);
    c.setNoHelp(true);
    c.setAllowPopup(false);
    c.setAllowDataLabels(sgDataValues);
    c.setFocalRect(false);
    c.setAllowBar(false);
    c.setNoRandomPointsToExport(true);
    c.setAllowZooming(sgVertZooming);
    c.setScrollingHorzZoom(true);
    c.setScrollingVertZoom(true);
    c.setShowGraphAnnotations(false);
    c.setGraphAnnotationTextSize(87);
    c.setAllowGraphAnnotHotSpots(true);
    c.setShowVertLineAnnotations(true);
    c.setAllowVertLineAnnotHotSpots(true);
    c.setLineAnnotationTextSize(113);
    c.setAllowDataHotSpots(true);
    c.setArrowCursor(sgTextCursor);
    c.setAllowFontPage(false);
    c.setAllowPage1(false);
    c.setAllowPage2(false);
    c.setAllowSubsetsPage(false);
    c.setAllowAxisPage(false);
    c.setDefOrientation(sgPortrait);
    c.setPrintStyleControl(sgPrintDefault);

    c.setMultiAxesSubsets(0, 2);
    c.setMultiAxesSubsets(1, 1);
    c.setMultiAxesProportions(0, 0.625);
    c.setMultiAxesProportions(1, 0.375);
    for (int axis : {1, 15}) {
        c.setWorkingAxis(axis);
        c.setManualScaleControlY(sgManualMinAndMax);
        c.setManualMinY(-40.5 - axis);
        c.setManualMaxY(1200.25 + axis);
        c.setYAxisLabel(QStringLiteral("°C axis %1").arg(axis));
    }
    c.setWorkingAxis(1);
    c.setRandomSubsetsToGraph(0, 2);
    c.setRandomSubsetsToGraph(1, 0);
    c.setSubsetLabels(0, QStringLiteral("T1"));
    c.setSubsetLabels(2, QStringLiteral("T3 ü"));
    c.setSubsetColors(1, 0x123456);

    c.setGraphAnnotationX(0, 46000.75);
    c.setGraphAnnotationY(0, 21.5);
    c.setGraphAnnotationType(0, sgCrossMark);
    c.setGraphAnnotationColor(0, 0x00FF00);
    c.setGraphAnnotationText(0, QStringLiteral("T1 MAX:21.5\rMIN"));
    c.setGraphAnnotationText(2, QStringLiteral("note"));
    c.setVertLineAnnotation(0, 46000.9);
    c.setVertLineAnnotationType(0, 3);
    c.setVertLineAnnotationColor(0, 0x0000FF);
    c.setVertLineAnnotationText(0, QStringLiteral("door opened"));
    c.setVertLineAnnotation(1, 46001.1);
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(GraphFile, FramingAndRoundTrip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ghf"));
    ChartModel a;
    fill(a);
    ASSERT_TRUE(WriteGraphFile(a, path).ok());
    const QByteArray bytes = readBytes(path);
    ASSERT_GE(bytes.size(), 4);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData()), quint32(bytes.size() - 4));
    EXPECT_EQ(bytes.mid(4), a.StoreState());

    ChartModel b;
    ASSERT_TRUE(ReadGraphFile(b, path).ok());
    EXPECT_EQ(b.state(), a.state());
}

// The fixture was written by the first version of the format; files users already have
// must keep opening to the same chart, and saving that chart must give the same bytes.
TEST(GraphFile, FirstVersionFileReadsAndSavesByteForByte)
{
    const QString fixture = QStringLiteral(KELVOR_TEST_DATA "/graph/every-field-v1.ghf");
    const QByteArray stored = readBytes(fixture);
    ASSERT_FALSE(stored.isEmpty());
    ChartModel expected;
    setEveryField(expected);

    ChartModel loaded;
    const GraphFileResult r = ReadGraphFile(loaded, fixture);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(loaded.state(), expected.state());

    QTemporaryDir dir;
    for (const ChartModel* chart : {&expected, &loaded}) {
        const QString path = dir.filePath(QStringLiteral("again.ghf"));
        ASSERT_TRUE(WriteGraphFile(*chart, path).ok());
        EXPECT_EQ(readBytes(path), stored);
    }
}

TEST(GraphFile, BadFilesAreRefusedWithTheirNameAndTheChartKept)
{
    QTemporaryDir dir;
    ChartModel src;
    fill(src);
    const QString goodPath = dir.filePath(QStringLiteral("good.ghf"));
    ASSERT_TRUE(WriteGraphFile(src, goodPath).ok());
    const QByteArray good = readBytes(goodPath);

    auto withLength = [&](quint32 len) {
        QByteArray b = good;
        qToLittleEndian(len, b.data());
        return b;
    };
    QByteArray random(3000, '\0');
    QRandomGenerator gen(7);
    for (char& ch : random)
        ch = char(gen.bounded(256));

    const struct {
        const char* name;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {"empty", QByteArray(), "bytes long"},
        {"short", good.left(3), "bytes long"},
        {"truncated", good.left(good.size() - 10), "only"},
        {"oversized", withLength(0x7FFFFFFF), "more than a graph file holds"},
        {"longer than file", withLength(quint32(good.size())), "only"},
        {"trailing bytes", good + "xx", "unexpected bytes"},
        {"random", random, "damaged"},
    };
    ChartModel target;
    fill(target);
    target.setMainTitle(QStringLiteral("unchanged"));
    const ChartState before = target.state();
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".ghf"));
        writeBytes(path, c.bytes);
        const GraphFileResult r = ReadGraphFile(target, path);
        EXPECT_FALSE(r.ok()) << c.name;
        EXPECT_TRUE(r.error.contains(QString::fromLatin1(c.name))) << r.error.toStdString();
        EXPECT_TRUE(r.error.contains(QLatin1String(c.says))) << c.name << ": " << r.error.toStdString();
        EXPECT_EQ(target.state(), before) << c.name;
    }
    const GraphFileResult missing = ReadGraphFile(target, dir.filePath(QStringLiteral("missing.ghf")));
    EXPECT_TRUE(missing.error.startsWith(QStringLiteral("Cannot open file"))) << missing.error.toStdString();
}

TEST(GraphFile, FailedWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    ChartModel c;
    fill(c);
    const GraphFileResult r = WriteGraphFile(c, dir.filePath(QStringLiteral("no/such/folder/x.ghf")));
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains(QStringLiteral("x.ghf")));
}

}  // namespace

// A chart with the window's reading aids, cursors and alarm events set is written as a
// version 2 block and reads back the same; without them it stays a version 1 block.
TEST(GraphFile, CursorsAndAlarmEventsRoundTrip)
{
    ChartModel a;
    fill(a);
    EXPECT_EQ(qFromLittleEndian<quint32>(a.StoreState().constData() + 8), 1u);
    a.setDataUnit(chartFahrenheit);
    a.setAutoScaleY(1, true);
    a.setElapsedTimeAxis(true);
    a.setDerivedDifference(true);
    a.setDerivedRate(2, true);
    a.setDerivedRateWindow(45);
    a.setCursorState(true, 46000.6, 46000.55, 180.5);
    a.addAlarmEvent({46000.61, 0, 181.25f, 0});
    a.addAlarmEvent({46000.62, 0, 178.5f, 1});
    a.addAlarmEvent({46000.63, 2, -4.5f, 2});
    const QByteArray block = a.StoreState();
    EXPECT_EQ(qFromLittleEndian<quint32>(block.constData() + 8), 2u);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("b.ghf"));
    ASSERT_TRUE(WriteGraphFile(a, path).ok());
    ChartModel b;
    const GraphFileResult r = ReadGraphFile(b, path);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(b.state(), a.state());
    EXPECT_EQ(b.StoreState(), block);

    // Cut inside the alarm events, or a wrong kind: refused, the chart kept.
    ChartModel c;
    EXPECT_FALSE(c.LoadState(block.left(block.size() - 5)).ok());
    QByteArray badKind = block;
    qToLittleEndian<qint32>(7, badKind.data() + badKind.size() - 4);
    const ChartLoadResult bad = c.LoadState(badKind);
    EXPECT_TRUE(bad.error.contains(QStringLiteral("kind 7"))) << bad.error.toStdString();
    EXPECT_EQ(c.state(), ChartModel().state());
}

// A block from a later version is refused with what this program can read, never misread.
TEST(GraphFile, NewerVersionIsRefusedClearly)
{
    ChartModel a;
    fill(a);
    a.setCursorState(true, 1.0, 2.0, 3.0);
    QByteArray block = a.StoreState();
    qToLittleEndian<quint32>(3, block.data() + 8);
    ChartModel b;
    const ChartLoadResult r = b.LoadState(block);
    EXPECT_EQ(r.error, QStringLiteral("the chart block has version 3, this program reads up to version 2"));
}

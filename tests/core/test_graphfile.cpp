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
